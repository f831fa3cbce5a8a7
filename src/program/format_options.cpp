#include "program/format_options.h"

#include "app/globals.h"

#include <QCoreApplication>

#include <algorithm>

namespace {

QString FormatName(TOutputFormat Format) {
    return Format == ofFLAC   ? QStringLiteral("FLAC")
           : Format == ofOpus ? QStringLiteral("Opus")
                              : QStringLiteral("MP3");
}

} // namespace

QString Mp3RateRefusal(const QString& option, int32_t kbps) {
    if (std::find(MP3BitRates.begin(), MP3BitRates.end(), kbps) != MP3BitRates.end())
        return QString();
    QStringList rates;
    for (int32_t r : MP3BitRates)
        rates << QString::number(r);
    return QCoreApplication::translate("CommandLine", "%1 %2 is not an MP3 bit rate (one of %3)")
        .arg(option, QString::number(kbps), rates.join(u' '));
}

std::optional<TOutputFormat> FormatOfOutput(const QString& Output) {
    const QString name = Output.mid(Output.lastIndexOf(u'/') + 1);
    const qsizetype dot = name.lastIndexOf(u'.');
    TOutputFormat format = ofMP3;
    if (dot > 0 && FormatOfExtension(name.mid(dot), format))
        return format;
    return std::nullopt;
}

QString FormatOptionRefusal(const TCommandLineOptions& Options, TOutputFormat Format) {
    const TCommandLineOptions& o = Options;
    const QString name = FormatName(Format);
    if (const std::optional<TOutputFormat> named = FormatOfOutput(o.Output);
        named && *named != Format)
        return QCoreApplication::translate("CommandLine",
                                           "the output %1 is named as a %2 file, not %3 (%4)")
            .arg(o.Output, FormatName(*named), name, FormatExtension(Format));
    auto only = [&](const char* Option, const QString& Of) {
        return QCoreApplication::translate("CommandLine", "%1 goes with %2 only, not %3")
            .arg(QLatin1String(Option), Of, name);
    };
    if (Format != ofMP3) {
        if (o.VbrMin)
            return only("--vbr", QStringLiteral("MP3"));
        if (o.VbrQuality)
            return only("--vbr-quality", QStringLiteral("MP3"));
        if (o.ChannelMode)
            return only("--mode", QStringLiteral("MP3"));
    }
    if (Format != ofFLAC && o.FlacLevel)
        return only("--compression", QStringLiteral("FLAC"));
    if (Format == ofMP3 && o.Bitrate)
        return Mp3RateRefusal(QStringLiteral("--bitrate"), *o.Bitrate);
    if (Format == ofFLAC && o.Bitrate)
        return QCoreApplication::translate("CommandLine",
                                           "--bitrate does not go with FLAC: it is lossless");
    if (Format == ofOpus) {
        if (o.Bitrate && (*o.Bitrate < OpusKbpsMin || *o.Bitrate > OpusKbpsMax))
            return QCoreApplication::translate("CommandLine",
                                               "--bitrate %1: Opus takes %2 to %3 kbit/s")
                .arg(*o.Bitrate)
                .arg(OpusKbpsMin)
                .arg(OpusKbpsMax);
        if (o.SampleRate && *o.SampleRate != 48000)
            return QCoreApplication::translate("CommandLine",
                                               "--samplerate %1: Opus is always 48000 Hz")
                .arg(*o.SampleRate == 0 ? QStringLiteral("source")
                                        : QString::number(*o.SampleRate));
    }
    return QString();
}
