#include "support/dvd_authoring.h"

#include "support/test_env.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>

namespace {

QString AuthoringXml(const QString& out) {
    const auto source = [](const char* name) { return FixturePath(QString::fromLatin1(name)); };
    return QStringLiteral(R"(<dvdauthor dest="%1">
  <vmgm/>
  <titleset>
    <titles>
      <audio lang="en"/>
      <audio lang="fr"/>
      <pgc>
        <vob file="%2" chapters="0,2.4,4.8"/>
        <vob file="%3" chapters="0,2.0"/>
      </pgc>
      <pgc>
        <vob file="%3"/>
      </pgc>
    </titles>
  </titleset>
  <titleset>
    <titles>
      <audio format="pcm"/>
      <pgc>
        <vob file="%4"/>
      </pgc>
    </titles>
  </titleset>
</dvdauthor>
)")
        .arg(out, source("dvd_title_a.mpg"), source("dvd_title_b.mpg"),
             source("dvd_title_lpcm.mpg"));
}

// Authors the disc that `Xml` describes from `Dir`/disc.xml; false with dvdauthor's own
// words in `Error` when it fails.
bool RunDvdauthor(const QString& Dir, const QString& Xml, QString* Error) {
    WriteFile(Dir + QStringLiteral("/disc.xml"), Xml.toUtf8());
    QString output;
    if (RunTool(QStringLiteral("dvdauthor"),
                {QStringLiteral("-x"), Dir + QStringLiteral("/disc.xml")}, &output) == 0)
        return true;
    if (Error)
        *Error = QStringLiteral("dvdauthor failed: ") + output.right(2000);
    return false;
}

} // namespace

int RunTool(const QString& program, const QStringList& args, QString* output) {
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("VIDEO_FORMAT"), QStringLiteral("PAL"));
    process.setProcessEnvironment(env);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, args);
    if (!process.waitForStarted()) {
        if (output)
            *output = program + QStringLiteral(" cannot be started");
        return -1;
    }
    const bool finished = process.waitForFinished(60000);
    if (!finished)
        process.kill(), process.waitForFinished();
    if (output)
        *output = QString::fromLocal8Bit(process.readAll());
    return finished && process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

QString TestDvdRoot(QString* error) {
    static QString root;
    static QString failure;
    if (root.isEmpty() && failure.isEmpty()) {
        const QString dir = FreshDir(QStringLiteral("dvd"));
        const QString xml = dir + QStringLiteral("/disc.xml");
        WriteFile(xml, AuthoringXml(dir + QStringLiteral("/TEST_DISC")).toUtf8());
        QString output;
        if (RunTool(QStringLiteral("dvdauthor"), {QStringLiteral("-x"), xml}, &output) == 0)
            root = dir + QStringLiteral("/TEST_DISC");
        else
            failure = QStringLiteral("dvdauthor failed: ") + output.right(2000);
    }
    if (error)
        *error = failure;
    return root;
}

QString MakeConcertDvd(const QString& Hint, int Repeats, const QList<int>& ChapterPlays,
                       double SplitAt, QString* Error) {
    const QString dir = FreshDir(Hint);
    const QString root = dir + QStringLiteral("/CONCERT");
    QString vobs;
    for (int k = 0; k < Repeats; ++k)
        vobs += QStringLiteral("        <vob file=\"%1\"%2/>\n")
                    .arg(FixturePath(QStringLiteral("dvd_concert.mpg")),
                         ChapterPlays.contains(k) ? QStringLiteral(" chapters=\"0\"") : QString());
    const QString xml = QStringLiteral(R"(<dvdauthor dest="%1">
  <vmgm/>
  <titleset>
    <titles>
      <audio lang="en"/>
      <pgc>
%2      </pgc>
    </titles>
  </titleset>
</dvdauthor>
)")
                            .arg(root, vobs);
    if (!RunDvdauthor(dir, xml, Error))
        return QString();
    if (SplitAt > 0) {
        const QString first = root + QStringLiteral("/VIDEO_TS/VTS_01_1.VOB");
        const QByteArray bytes = ReadFile(first);
        const qsizetype cut = qsizetype(double(bytes.size()) * SplitAt) / 2048 * 2048;
        if (!WriteFile(first, bytes.left(cut)) ||
            !WriteFile(root + QStringLiteral("/VIDEO_TS/VTS_01_2.VOB"), bytes.mid(cut))) {
            if (Error)
                *Error = QStringLiteral("the VOB could not be split");
            return QString();
        }
    }
    return root;
}

QString AuthorDvd(const QString& Hint, const QString& Titles, QString* Error) {
    return AuthorDvdTitleSets(
        Hint,
        QStringLiteral("  <titleset>\n    <titles>\n%1    </titles>\n  </titleset>\n").arg(Titles),
        Error);
}

QString AuthorDvdTitleSets(const QString& Hint, const QString& TitleSets, QString* Error) {
    const QString dir = FreshDir(Hint);
    const QString root = dir + QStringLiteral("/DISC");
    const QString xml =
        QStringLiteral("<dvdauthor dest=\"%1\">\n  <vmgm/>\n%2</dvdauthor>\n").arg(root, TitleSets);
    if (!RunDvdauthor(dir, xml, Error))
        return QString();
    return root;
}

QString CopyOfTestDvd(const QString& hint) {
    const QString root = TestDvdRoot();
    if (root.isEmpty())
        return QString();
    const QString copy = FreshDir(hint) + QStringLiteral("/DISC");
    QDir().mkpath(copy + QStringLiteral("/VIDEO_TS"));
    QDirIterator files(root + QStringLiteral("/VIDEO_TS"), QDir::Files);
    while (files.hasNext()) {
        const QString file = files.next();
        QFile::copy(file, copy + QStringLiteral("/VIDEO_TS/") + files.fileName());
    }
    return copy;
}

QString MakeDvdImage(const QString& root, const QString& volume, QString* error) {
    const QString iso =
        FreshDir(QStringLiteral("iso")) + u'/' + volume.toLower() + QStringLiteral(".iso");
    QStringList args{
        QStringLiteral("-quiet"), QStringLiteral("-V"), volume, QStringLiteral("-o"), iso, root};
    if (QDir(root).exists(QStringLiteral("VIDEO_TS")))
        args.prepend(QStringLiteral("-dvd-video"));
    QString output;
    const int code = RunTool(QStringLiteral("genisoimage"), args, &output);
    if (code != 0) {
        if (error)
            *error = QStringLiteral("genisoimage failed: ") + output;
        return QString();
    }
    return iso;
}
