// The project's map against the tree: every path and name docs/*.md writes in backquotes
// still exists, so a moved file or a renamed class cannot leave the map pointing at nothing.
//
// What a backquoted span is taken for (the first rule that fits):
// - An option: "-" and a letter. Its first word must be a quoted string in src/ ("--rip").
// - Not looked for: absolute paths (devices), and what the build or the install makes
//   (build..., bin/, share/).
// - A family of constants (MS_E_DVD_*): some word of the sources (see names) begins so.
// - A data file's name (demo.mpg, VTS_01_1.VOB, dvd_title_*.mpg): no "/" and an extension
//   other than a source file's; not looked for.
// - A path: no space, ":" or "=", and a "/", a "*" (a glob), or a source file's extension
//   (.h, .cpp, .md, .sh, .cmake, ...). It must match a file or folder, looked for
//   from the repository, from src/, from an earlier path on the same line (the folder it
//   is, or the one it lies in), or from a folder the section's heading names.
// - A name: an identifier, or a chain of them joined by "::" or "->", alone or followed by
//   "(" or "<". Each identifier must occur as a word in the sources (src/, tests/, bench/,
//   fuzz/, tools/, cmake/, resources/, packaging/, .ci/ and the build files). test_X names
//   the test executable of tests/X, bench_X the benchmark bench/X.cpp.
// - Anything else is literal text (a message, "h:mm:ss.t", "START [END] [TITLE]"): not
//   looked for.
#include "support/test_env.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>

#include <gtest/gtest.h>

#include <algorithm>

namespace {

const QString Root = QStringLiteral(SONAVEL_TEST_SOURCE_DIR);

const QStringList SourceKinds = {
    QStringLiteral("h"),   QStringLiteral("cpp"),   QStringLiteral("md"),
    QStringLiteral("sh"),  QStringLiteral("cmake"), QStringLiteral("txt"),
    QStringLiteral("qrc"), QStringLiteral("json"),  QStringLiteral("svg"),
    QStringLiteral("ts"),  QStringLiteral("supp"),  QStringLiteral("desktop"),
    QStringLiteral("xml"), QStringLiteral("py"),    QStringLiteral("in")};

// What the sources say: every identifier-like word, and every quoted option of src/.
struct TCorpus {
    QSet<QString> Words;
    QSet<QString> Options;
};

bool IsText(const QByteArray& bytes) {
    return !bytes.left(8192).contains('\0');
}

TCorpus ReadCorpus() {
    static const QRegularExpression word(QStringLiteral("[A-Za-z_][A-Za-z0-9_]*"));
    static const QRegularExpression option(QStringLiteral("\"(-{1,2}[A-Za-z][A-Za-z0-9-]*)\""));
    TCorpus corpus;
    auto read = [&](const QString& path) {
        // This file's own examples of stale names must not count as present.
        if (path.startsWith(Root + QStringLiteral("/tests/docs/")))
            return;
        const QByteArray bytes = ReadFile(path);
        if (!IsText(bytes))
            return;
        const QString text = QString::fromUtf8(bytes);
        for (auto it = word.globalMatch(text); it.hasNext();)
            corpus.Words.insert(it.next().captured());
        if (path.startsWith(Root + QStringLiteral("/src/")))
            for (auto it = option.globalMatch(text); it.hasNext();)
                corpus.Options.insert(it.next().captured(1));
    };
    for (const char* folder :
         {"src", "tests", "bench", "fuzz", "tools", "cmake", "resources", "packaging", ".ci"}) {
        QDirIterator files(Root + u'/' + QLatin1String(folder), QDir::Files | QDir::Hidden,
                           QDirIterator::Subdirectories);
        while (files.hasNext())
            read(files.next());
    }
    for (const char* file : {"CMakeLists.txt", "test.sh", "sonavel.sh"})
        read(Root + u'/' + QLatin1String(file));
    return corpus;
}

// The files and folders a path (with globs in any part) names from Base.
QStringList Matches(const QString& Base, const QString& Path) {
    QStringList current{Base};
    for (const QString& part : Path.split(u'/', Qt::SkipEmptyParts)) {
        QStringList next;
        for (const QString& dir : current) {
            if (part.contains(u'*') || part.contains(u'?')) {
                for (const QString& e : QDir(dir).entryList(
                         {part}, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot))
                    next << dir + u'/' + e;
            } else if (part == QStringLiteral("..") || part == QStringLiteral(".")) {
                return {}; // the map names files from where they are, never by climbing
            } else if (QFileInfo::exists(dir + u'/' + part)) {
                next << dir + u'/' + part;
            }
        }
        current = next;
    }
    if (Path.endsWith(u'/'))
        current.removeIf([](const QString& p) { return !QFileInfo(p).isDir(); });
    return current;
}

// The spans of one markdown text that name nothing (each "LINE: `span` (why)").
QStringList StaleSpans(const QString& Markdown, const TCorpus& Corpus) {
    static const QRegularExpression span(QStringLiteral("`([^`]+)`"));
    static const QRegularExpression fileName(QStringLiteral("^[\\w.*?-]+\\.([A-Za-z0-9]+)$"));
    static const QRegularExpression name(
        QStringLiteral("^([A-Za-z_]\\w*(?:(?:::|->)[A-Za-z_]\\w*)*)(?:$|[(<])"));
    static const QRegularExpression identifier(QStringLiteral("[A-Za-z_]\\w*"));
    static const QRegularExpression option(QStringLiteral("^--?[A-Za-z]"));
    static const QRegularExpression constants(QStringLiteral("^[A-Z][A-Z0-9_]*\\*$"));
    static const QRegularExpression optionEnd(QStringLiteral("[ =\\[]"));
    const QString src = Root + QStringLiteral("/src");
    QStringList stale;
    QStringList headingFolders;
    const QStringList lines = Markdown.split(u'\n');
    for (qsizetype n = 0; n < lines.size(); ++n) {
        const QString& line = lines[n];
        const bool heading = line.startsWith(u'#');
        if (heading)
            headingFolders.clear();
        QStringList lineFolders;
        auto fail = [&](const QString& text, const char* why) {
            stale << QStringLiteral("%1: `%2` (%3)").arg(n + 1).arg(text, QLatin1String(why));
        };
        for (auto it = span.globalMatch(line); it.hasNext();) {
            const QString s = it.next().captured(1).trimmed();
            if (option.match(s).hasMatch()) {
                if (!Corpus.Options.contains(s.section(optionEnd, 0, 0)))
                    fail(s, "no such option in src/");
                continue;
            }
            if (s.startsWith(u'/') || s.startsWith(QStringLiteral("build")) ||
                s.startsWith(QStringLiteral("bin/")) || s.startsWith(QStringLiteral("share/")))
                continue;
            if (constants.match(s).hasMatch()) {
                const QString prefix = s.chopped(1);
                if (std::none_of(Corpus.Words.begin(), Corpus.Words.end(),
                                 [&](const QString& w) { return w.startsWith(prefix); }))
                    fail(s, "no such name in the sources");
                continue;
            }
            const QRegularExpressionMatch file = fileName.match(s);
            const bool source = file.hasMatch() && SourceKinds.contains(file.captured(1));
            if (file.hasMatch() && !source && !s.contains(u'/'))
                continue; // a data file's name
            static const QRegularExpression notPath(QStringLiteral("[ :=]"));
            if (!s.contains(notPath) && (s.contains(u'/') || s.contains(u'*') || source)) {
                QStringList bases = QStringList{Root, src} + lineFolders + headingFolders;
                QStringList found;
                for (const QString& base : bases)
                    if (!(found = Matches(base, s)).isEmpty())
                        break;
                if (found.isEmpty()) {
                    fail(s, "no such file or folder");
                    continue;
                }
                // A folder stands for itself, a file for the folder that holds it.
                const QFileInfo first(found.first());
                const QString folder = first.isDir() ? first.filePath() : first.path();
                if (heading && first.isDir())
                    headingFolders << folder;
                lineFolders << folder;
                continue;
            }
            const QRegularExpressionMatch m = name.match(s);
            if (!m.hasMatch())
                continue; // literal text
            for (auto id = identifier.globalMatch(m.captured(1)); id.hasNext();) {
                const QString w = id.next().captured();
                if (Corpus.Words.contains(w))
                    continue;
                if (w.startsWith(QStringLiteral("test_")) &&
                    QFileInfo(Root + QStringLiteral("/tests/") + w.mid(5)).isDir())
                    continue;
                if (w.startsWith(QStringLiteral("bench_")) &&
                    QFileInfo::exists(Root + QStringLiteral("/bench/") + w.mid(6) +
                                      QStringLiteral(".cpp")))
                    continue;
                fail(s, "no such name in the sources");
                break;
            }
        }
    }
    return stale;
}

const TCorpus& Corpus() {
    static const TCorpus corpus = ReadCorpus();
    return corpus;
}

} // namespace

TEST(Docs, EveryBackquotedPathAndNameOfTheDocsExists) {
    const QStringList docs = QDir(Root + QStringLiteral("/docs"))
                                 .entryList({QStringLiteral("*.md")}, QDir::Files, QDir::Name);
    ASSERT_FALSE(docs.isEmpty());
    for (const QString& doc : docs) {
        const QString path = Root + QStringLiteral("/docs/") + doc;
        const QStringList stale = StaleSpans(QString::fromUtf8(ReadFile(path)), Corpus());
        EXPECT_TRUE(stale.isEmpty())
            << "docs/" << doc.toStdString() << " names what is not there:\n"
            << stale.join(u'\n').toStdString();
    }
}

TEST(Docs, TheCheckFindsStalePathsNamesAndOptions) {
    const QString sample = QStringLiteral(
        "## The engine (`src/audio/rip`)\n"
        "| `TRipExecutor`, `PlanSegments` | `rip_plan.*`, `output_file.h` | `--rip`, `-o FILE` |\n"
        "| `TRipTuning::MinSegmentSeconds`, `ShowMessageBox(icon, text)` | `src/app/common.*`, "
        "`track_jobs.*` |\n"
        "| `tests/CMakeLists.txt`, `test_audio`, `bench_track_seams` | `resources/pictures/*.svg` "
        "|\n"
        "| `demo.mpg`, `VTS_01_1.VOB`, `h:mm:ss.t`, `START [END] [TITLE]`, `build/fixtures/`, "
        "`/dev/sr0`, `MS_E_DVD_*` |\n"
        "| `TAudioConverter` | `BitrateTable` | `TRipExecutor::NoSuchMember` | `test_nowhere` | "
        "`MS_E_NOWHERE_*` |\n"
        "| `src/audio/rip/gone.*` | `src/gone/` | `mp3_segment_*` | `--no-such-option` |\n");
    const QStringList expected = {
        QStringLiteral("6: `TAudioConverter` (no such name in the sources)"),
        QStringLiteral("6: `BitrateTable` (no such name in the sources)"),
        QStringLiteral("6: `TRipExecutor::NoSuchMember` (no such name in the sources)"),
        QStringLiteral("6: `test_nowhere` (no such name in the sources)"),
        QStringLiteral("6: `MS_E_NOWHERE_*` (no such name in the sources)"),
        QStringLiteral("7: `src/audio/rip/gone.*` (no such file or folder)"),
        QStringLiteral("7: `src/gone/` (no such file or folder)"),
        QStringLiteral("7: `mp3_segment_*` (no such file or folder)"),
        QStringLiteral("7: `--no-such-option` (no such option in src/)"),
    };
    EXPECT_EQ(StaleSpans(sample, Corpus()).join(u'\n').toStdString(),
              expected.join(u'\n').toStdString());
}
