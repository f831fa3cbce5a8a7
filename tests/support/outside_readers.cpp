#include "support/outside_readers.h"

#include "support/program_run.h"
#include "support/test_env.h"

#include <QJsonDocument>
#include <QRegularExpression>
#include <QtEndian>

#include <cmath>
#include <cstring>

namespace {

// Debian's own Python, where python3-mutagen lives (a PATH may put another first).
const QString kPython = QStringLiteral("/usr/bin/python3");

const char* const kMutagenScript = R"PY(
import json, sys
from mutagen.mp3 import MP3
from mutagen.id3 import ParseID3v1
path = sys.argv[1]
out = {}
with open(path, 'rb') as f:
    f.seek(0, 2)
    if f.tell() >= 128:
        f.seek(-128, 2)
        tail = f.read(128)
        if tail[:3] == b'TAG':
            out['v1'] = {k: str(v) for k, v in (ParseID3v1(tail) or {}).items()}
audio = MP3(path)
tags = audio.tags
if tags is not None:
    out['txxx'] = {f.desc: str(f.text[0]) for f in tags.getall('TXXX')}
    out['chapters'] = [{'start': c.start_time, 'end': c.end_time,
                        'title': str(c.sub_frames['TIT2'].text[0]) if 'TIT2' in c.sub_frames else None}
                       for c in tags.getall('CHAP')]
    out['apic'] = [len(p.data) for p in tags.getall('APIC')]
out['length'] = audio.info.length
out['encoder_settings'] = audio.info.encoder_settings
out['bitrate_mode'] = int(audio.info.bitrate_mode)
print(json.dumps(out))
)PY";

// A WAV file's PCM (16-bit), as the players write it.
TPlayerDecode ReadWav(const QByteArray& Bytes) {
    TPlayerDecode d;
    qsizetype at = 12;
    if (Bytes.size() < 12 || !Bytes.startsWith("RIFF") || Bytes.mid(8, 4) != "WAVE") {
        d.error = QStringLiteral("no WAV written");
        return d;
    }
    while (at + 8 <= Bytes.size()) {
        const QByteArray id = Bytes.mid(at, 4);
        qint64 size = qFromLittleEndian<quint32>(Bytes.constData() + at + 4);
        const char* body = Bytes.constData() + at + 8;
        if (id == "fmt " && size >= 16) {
            d.channels = qFromLittleEndian<quint16>(body + 2);
            d.rate = int(qFromLittleEndian<quint32>(body + 4));
        } else if (id == "data") {
            // A player writing to a pipe leaves the size unknown; the rest is the data.
            if (size <= 0 || at + 8 + size > Bytes.size())
                size = Bytes.size() - at - 8;
            d.samples.resize(size_t(size / 2));
            std::memcpy(d.samples.data(), body, d.samples.size() * 2);
            d.ok = d.channels > 0 && d.rate > 0;
            return d;
        }
        at += 8 + size + (size & 1);
    }
    d.error = QStringLiteral("no data in the WAV written");
    return d;
}

TPlayerDecode PlayerDecode(const QString& Program, const QStringList& Args, const QString& Wav) {
    const TProgramRun run = RunWithHive(Program, Args);
    if (run.exitCode != 0) {
        TPlayerDecode d;
        d.error = Program + QStringLiteral(" failed: ") + run.err.trimmed();
        return d;
    }
    return ReadWav(ReadFile(Wav));
}

} // namespace

QJsonObject MutagenRead(const QString& Path, QString* Error) {
    const TProgramRun run =
        RunWithHive(kPython, {QStringLiteral("-c"), QString::fromUtf8(kMutagenScript), Path});
    const QJsonDocument doc = QJsonDocument::fromJson(run.out.toUtf8());
    if (run.exitCode != 0 || !doc.isObject()) {
        if (Error)
            *Error = QStringLiteral("mutagen: ") + run.err.trimmed();
        return {};
    }
    return doc.object();
}

TPlayerDecode Mpg123Decode(const QString& Path) {
    const QString wav = FreshDir(QStringLiteral("mpg123")) + QStringLiteral("/out.wav");
    return PlayerDecode(QStringLiteral("mpg123"),
                        {QStringLiteral("-q"), QStringLiteral("-w"), wav, Path}, wav);
}

TPlayerDecode MadplayDecode(const QString& Path) {
    const QString wav = FreshDir(QStringLiteral("madplay")) + QStringLiteral("/out.wav");
    return PlayerDecode(QStringLiteral("madplay"),
                        {QStringLiteral("-Q"), QStringLiteral("-d"), QStringLiteral("-o"),
                         QStringLiteral("wave:") + wav, Path},
                        wav);
}

QString Mp3checkComplaints(const QString& Path) {
    // -G: the ID3v1 tag at the end, -S: the ID3v2 tag in front, neither is a frame.
    const TProgramRun run =
        RunWithHive(QStringLiteral("mp3check"),
                    {QStringLiteral("-e"), QStringLiteral("-G"), QStringLiteral("-S"), Path});
    QString complaints;
    for (const QString& line : run.out.split(u'\n'))
        if (line.startsWith(QStringLiteral("frame")))
            complaints += line.trimmed() + u'\n';
    if (complaints.isEmpty() && run.exitCode != 0)
        complaints = QStringLiteral("mp3check failed: ") + run.out + run.err;
    return complaints;
}

double Bs1770Lufs(const QString& Path, QString* Error) {
    const TProgramRun run = RunWithHive(QStringLiteral("bs1770gain"), {QStringLiteral("-i"), Path});
    static const QRegularExpression integrated(
        QStringLiteral("integrated \\(momentary mean\\): (-?[0-9]+\\.[0-9]+) LUFS"));
    const QRegularExpressionMatch m = integrated.match(run.out + run.err);
    if (run.exitCode != 0 || !m.hasMatch()) {
        if (Error)
            *Error = QStringLiteral("bs1770gain: ") + run.out.right(300) + run.err.right(300);
        return NAN;
    }
    return m.captured(1).toDouble();
}
