#include "media/audio_track_label.h"

#include <QCoreApplication>

#include <QHash>

QString AudioCodecDisplayName(const QString& codec) {
    static const QHash<QString, QString> names{
        {QStringLiteral("ac3"), QStringLiteral("AC-3")},
        {QStringLiteral("eac3"), QStringLiteral("E-AC-3")},
        {QStringLiteral("mp1"), QStringLiteral("MP1")},
        {QStringLiteral("mp2"), QStringLiteral("MP2")},
        {QStringLiteral("mp3"), QStringLiteral("MP3")},
        {QStringLiteral("aac"), QStringLiteral("AAC")},
        {QStringLiteral("dts"), QStringLiteral("DTS")},
        {QStringLiteral("truehd"), QStringLiteral("TrueHD")},
        {QStringLiteral("mlp"), QStringLiteral("MLP")},
        {QStringLiteral("flac"), QStringLiteral("FLAC")},
        {QStringLiteral("vorbis"), QStringLiteral("Vorbis")},
        {QStringLiteral("opus"), QStringLiteral("Opus")},
    };
    const QString key = codec.trimmed().toLower();
    if (key.startsWith(QStringLiteral("pcm_")))
        return QStringLiteral("PCM");
    if (key.startsWith(QStringLiteral("adpcm_")))
        return QStringLiteral("ADPCM");
    const auto it = names.constFind(key);
    if (it != names.constEnd())
        return *it;
    return key.isEmpty() ? QStringLiteral("?") : key.toUpper();
}

QString ChannelLayoutText(int channels) {
    switch (channels) {
    case 0:
        return QString();
    case 1:
        return QStringLiteral("mono");
    case 2:
        return QStringLiteral("stereo");
    case 6:
        return QStringLiteral("5.1");
    case 7:
        return QStringLiteral("6.1");
    case 8:
        return QStringLiteral("7.1");
    default:
        return QStringLiteral("%1 ch").arg(channels);
    }
}

QString AudioTrackLabel(int number, const TMediaTrackInfo& track) {
    QString text = QStringLiteral("%1: ").arg(number);
    // "und" is how containers say "not recorded"; control characters from a damaged
    // file have no place in a menu.
    QString language = track.language.trimmed();
    language.removeIf([](QChar c) { return c.unicode() < 32 || c.unicode() == 127; });
    if (!track.title.isEmpty())
        text += track.title.left(48) + QStringLiteral(", ");
    if (!language.isEmpty() && language.compare(QStringLiteral("und"), Qt::CaseInsensitive) != 0)
        text += language.left(16) + QStringLiteral(", ");
    text += AudioCodecDisplayName(track.codec);
    const QString layout = ChannelLayoutText(track.channels);
    if (!layout.isEmpty())
        text += u' ' + layout;
    if (!track.unavailable.isEmpty())
        text += QCoreApplication::translate("Media", " (unavailable)");
    return text;
}

QStringList AudioTrackLabels(const std::vector<TMediaTrackInfo>& tracks) {
    QStringList labels;
    for (size_t i = 0; i < tracks.size(); ++i)
        labels << AudioTrackLabel(int(i) + 1, tracks[i]);
    return labels;
}
