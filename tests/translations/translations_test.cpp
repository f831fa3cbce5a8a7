// The catalogues against the code: every text the user sees is marked for translation,
// every marked text is translated, and the built program speaks German by the locale.
#include "support/test_env.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>

#include <gtest/gtest.h>

namespace {

const QString SourceDir = QStringLiteral(SONAVEL_TEST_SOURCE_DIR);

QStringList Catalogues() {
    QStringList ts;
    for (const QString& name : QDir(SourceDir + QStringLiteral("/translations"))
                                   .entryList({QStringLiteral("sonavel_*.ts")}, QDir::Files))
        ts << SourceDir + QStringLiteral("/translations/") + name;
    return ts;
}

// The texts lupdate leaves unfinished: new in the code and not translated yet.
QStringList UnfinishedSources(const QByteArray& ts) {
    QStringList out;
    static const QRegularExpression message(
        QStringLiteral("<source>(.*?)</source>\\s*(?:<oldsource>.*?</oldsource>\\s*)?"
                       "(?:<comment>.*?</comment>\\s*)?<translation type=\"unfinished\""),
        QRegularExpression::DotMatchesEverythingOption);
    for (auto it = message.globalMatch(QString::fromUtf8(ts)); it.hasNext();)
        out << it.next().captured(1).left(80);
    return out;
}

// Looks like words a person reads: two words, a caption ending in ":" or "...", an
// accelerator, a capitalised word.
bool LooksLikeProse(const QString& s) {
    if (s.startsWith(u'#') || s.startsWith(u'/') || s.startsWith(u'<') || s.contains(u'{'))
        return false;
    static const QRegularExpression file(QStringLiteral("^[\\w.\\-]+\\.(txt|html|lst|mp3|svg)$"));
    if (file.match(s).hasMatch())
        return false;
    static const QRegularExpression rules[] = {
        QRegularExpression(QStringLiteral("[A-Za-z]{2,} [A-Za-z&(]")),
        QRegularExpression(QStringLiteral("[A-Za-z]{2,}(:|\\.\\.\\.|!)\\s*$")),
        QRegularExpression(QStringLiteral("^&?[A-Z][a-z&]+$")),
        QRegularExpression(QStringLiteral("^&")),
        QRegularExpression(QStringLiteral("\\d+ [a-z]{3,}"))};
    for (const QRegularExpression& r : rules)
        if (r.match(s).hasMatch())
            return true;
    return false;
}

// Runs the built program with LANG=`lang`; answers its exit code.
int RunInLanguage(const QString& lang, const QStringList& args, QByteArray& out, QByteArray& err) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LANG"), lang);
    p.setProcessEnvironment(env);
    p.start(BinDir() + QStringLiteral("/sonavel"), args);
    EXPECT_TRUE(p.waitForFinished(20000));
    out = p.readAllStandardOutput();
    err = p.readAllStandardError();
    return p.exitCode();
}

} // namespace

TEST(Translations, EveryMarkedTextIsTranslatedAndNoneIsLeftOver) {
    const QStringList catalogues = Catalogues();
    ASSERT_FALSE(catalogues.isEmpty());
    for (const QString& ts : catalogues) {
        // lupdate over a copy, as tools/update-translations.sh runs it over the tree.
        const QString copy = FreshDir(QStringLiteral("ts")) + u'/' + QFileInfo(ts).fileName();
        ASSERT_TRUE(QFile::copy(ts, copy));
        QFile::setPermissions(copy, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        QProcess lupdate;
        lupdate.setProcessChannelMode(QProcess::MergedChannels);
        lupdate.start(QStringLiteral(SONAVEL_TEST_LUPDATE),
                      {QStringLiteral("-locations"), QStringLiteral("none"),
                       QStringLiteral("-extensions"), QStringLiteral("cpp,h"),
                       SourceDir + QStringLiteral("/src"), QStringLiteral("-ts"), copy});
        ASSERT_TRUE(lupdate.waitForFinished(120000));
        const QString report = QString::fromUtf8(lupdate.readAll());
        ASSERT_EQ(lupdate.exitCode(), 0) << report.toStdString();
        // A text marked in a way lupdate cannot read (tr() outside a class) is a warning.
        EXPECT_FALSE(report.contains(QStringLiteral("cannot be called without context")))
            << report.toStdString();
        static const QRegularExpression found(
            QStringLiteral("Found (\\d+) source text\\(s\\) \\((\\d+) new"));
        const QRegularExpressionMatch m = found.match(report);
        ASSERT_TRUE(m.hasMatch()) << report.toStdString();
        EXPECT_GT(m.captured(1).toInt(), 200);
        const QByteArray updated = ReadFile(copy);
        EXPECT_EQ(m.captured(2).toInt(), 0)
            << "texts of the code missing from " << ts.toStdString()
            << " (run tools/update-translations.sh): "
            << UnfinishedSources(updated).join(QStringLiteral(" | ")).toStdString();
        EXPECT_TRUE(UnfinishedSources(updated).isEmpty()) << ts.toStdString();
        // Texts the code no longer has stay behind as vanished: the catalogue is stale.
        EXPECT_FALSE(updated.contains("type=\"vanished\"") || updated.contains("type=\"obsolete\""))
            << ts.toStdString() << " holds texts the code no longer has";
    }
}

TEST(Translations, NoUserVisibleLiteralIsLeftUnmarked) {
    // Texts that are names, not words to translate: the program's, a style's, codecs', the
    // prefix of a DVD title's locator.
    const QStringList names = {QStringLiteral("Free Sonavel"), QStringLiteral("Vemra Sonavel"),
                               QStringLiteral("Fusion"),       QStringLiteral("sonavel: "),
                               QStringLiteral("Vorbis"),       QStringLiteral("Opus"),
                               QStringLiteral("dvd:")};
    static const QRegularExpression literal(
        QStringLiteral("QStringLiteral\\(((?:\\s*\"(?:[^\"\\\\]|\\\\.)*\"\\s*)+)\\)"));
    static const QRegularExpression piece(QStringLiteral("\"((?:[^\"\\\\]|\\\\.)*)\""));
    static const QRegularExpression notShown(
        QStringLiteral("== QStringLiteral|setObjectName|setStyleSheet|qEnvironmentVariable|QDir|"
                       "QFile\\(|QFile |QUrl\\(|Registry|\"Software"));
    QStringList unmarked;
    // The engine's texts reach the user too: in the window's boxes and on the command line.
    for (const QString& folder :
         {QStringLiteral("ui"), QStringLiteral("app"), QStringLiteral("program"),
          QStringLiteral("audio"), QStringLiteral("media")}) {
        QDirIterator files(SourceDir + QStringLiteral("/src/") + folder,
                           {QStringLiteral("*.cpp"), QStringLiteral("*.h")}, QDir::Files,
                           QDirIterator::Subdirectories);
        while (files.hasNext()) {
            const QString path = files.next();
            // The ID3 genres are the tag's own fixed names.
            if (path.endsWith(QStringLiteral("genre_list.cpp")))
                continue;
            const QString text = QString::fromUtf8(ReadFile(path));
            for (auto it = literal.globalMatch(text); it.hasNext();) {
                const QRegularExpressionMatch m = it.next();
                const qsizetype start = text.lastIndexOf(u'\n', m.capturedStart()) + 1;
                const QString line =
                    text.mid(start, text.indexOf(u'\n', m.capturedStart()) - start);
                if (notShown.match(line).hasMatch() ||
                    line.trimmed().startsWith(QStringLiteral("//")))
                    continue;
                QString value;
                for (auto p = piece.globalMatch(m.captured(1)); p.hasNext();)
                    value += p.next().captured(1);
                if (LooksLikeProse(value) && !names.contains(value))
                    unmarked << QStringLiteral("%1:%2: %3")
                                    .arg(path.mid(SourceDir.size() + 1))
                                    .arg(text.left(m.capturedStart()).count(u'\n') + 1)
                                    .arg(value.left(60));
            }
        }
    }
    EXPECT_TRUE(unmarked.isEmpty()) << "wrap these in tr() or QCoreApplication::translate():\n"
                                    << unmarked.join(u'\n').toStdString();
}

TEST(Translations, TheCommandLineSpeaksTheLocalesLanguageAndEnglishOtherwise) {
    const auto run = RunInLanguage;
    QByteArray out, err;
    EXPECT_EQ(run(QStringLiteral("de_DE.UTF-8"), {QStringLiteral("--help")}, out, err), 0);
    EXPECT_TRUE(out.startsWith("Aufruf: sonavel [DATEI]")) << out.left(200).constData();
    EXPECT_TRUE(out.contains("--rip QUELLE         den Ton von QUELLE ohne Fenster rippen"));
    EXPECT_EQ(run(QStringLiteral("de_AT.UTF-8"), {QStringLiteral("--bitrate"), QStringLiteral("7")},
                  out, err),
              2);
    EXPECT_EQ(
        QString::fromUtf8(err),
        QStringLiteral("sonavel: --bitrate 7 ist keine MP3-Bitrate (eine von 8 16 24 32 40 48 56 "
                       "64 80 96 112 128 144 160 192 224 256 320)\n"
                       "\u201Esonavel --help\u201C zeigt mehr Informationen.\n"));
    // A language without a catalogue falls back to the English source texts.
    EXPECT_EQ(run(QStringLiteral("fr_FR.UTF-8"), {QStringLiteral("--help")}, out, err), 0);
    EXPECT_TRUE(out.startsWith("Usage: sonavel [FILE]"));
    EXPECT_EQ(run(QStringLiteral("fr_FR.UTF-8"),
                  {QStringLiteral("--rip"), QStringLiteral("/nonexistent.vob")}, out, err),
              1);
    EXPECT_TRUE(err.startsWith("sonavel: cannot open")) << err.constData();
    EXPECT_EQ(run(QStringLiteral("de_DE.UTF-8"),
                  {QStringLiteral("--rip"), QStringLiteral("/nonexistent.vob")}, out, err),
              1);
    EXPECT_EQ(
        QString::fromUtf8(err),
        QStringLiteral("sonavel: \"/nonexistent.vob\" kann nicht ge\u00F6ffnet werden: Datei oder "
                       "Verzeichnis nicht gefunden\n"))
        << err.constData();
}

TEST(Translations, TheEnginesReasonsAreToldInTheLocalesLanguageToo) {
    // A disc whose tables are not a DVD's, and neither is their backup: the reasons come
    // from the disc reader, the line around them from the command line.
    const QString disc = FreshDir(QStringLiteral("disc"));
    ASSERT_TRUE(QDir().mkpath(disc + QStringLiteral("/VIDEO_TS")));
    for (const char* name : {"/VIDEO_TS/VIDEO_TS.IFO", "/VIDEO_TS/VIDEO_TS.BUP"})
        ASSERT_TRUE(WriteFile(disc + QLatin1String(name), QByteArray(4096, 'x')));
    QByteArray out, err;
    EXPECT_EQ(
        RunInLanguage(QStringLiteral("de_DE.UTF-8"), {QStringLiteral("--rip"), disc}, out, err), 1);
    EXPECT_EQ(QString::fromUtf8(err),
              QStringLiteral("sonavel: die DVD \"%1\" kann nicht gelesen werden: das "
                             "Inhaltsverzeichnis der DVD kann nicht gelesen werden: VIDEO_TS.IFO "
                             "ist besch\u00E4digt (sie enth\u00E4lt keine DVD-Video-Tabellen), "
                             "ebenso ihre Sicherung VIDEO_TS.BUP (sie enth\u00E4lt keine "
                             "DVD-Video-Tabellen)\n")
                  .arg(disc));
    // The same reasons in English without a catalogue.
    EXPECT_EQ(
        RunInLanguage(QStringLiteral("fr_FR.UTF-8"), {QStringLiteral("--rip"), disc}, out, err), 1);
    EXPECT_TRUE(err.contains("VIDEO_TS.IFO is damaged (it holds no DVD-Video tables)"))
        << err.constData();
}
