#include "support/dvd_authoring.h"

#include "support/test_env.h"

#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

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
    // posix_spawn, not QProcess: Qt starts a child with a clone that shares the parent's
    // memory and runs Qt's code in it, which ThreadSanitizer cannot follow (the parent's
    // later mutexes go unseen, so the threaded tests after an authored disc report races
    // that are none). glibc's posix_spawn runs only its own code in the child.
    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0) {
        if (output)
            *output = program + QStringLiteral(" cannot be started: no pipe");
        return -1;
    }
    posix_spawn_file_actions_t actions;
    ::posix_spawn_file_actions_init(&actions);
    ::posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
    ::posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDERR_FILENO);
    std::vector<QByteArray> argBytes{QFile::encodeName(program)};
    for (const QString& arg : args)
        argBytes.push_back(QFile::encodeName(arg));
    std::vector<char*> argv;
    for (QByteArray& arg : argBytes)
        argv.push_back(arg.data());
    argv.push_back(nullptr);
    std::vector<QByteArray> envBytes{QByteArrayLiteral("VIDEO_FORMAT=PAL")};
    for (char** e = environ; *e; ++e)
        if (!QByteArray(*e).startsWith("VIDEO_FORMAT="))
            envBytes.emplace_back(*e);
    std::vector<char*> envp;
    for (QByteArray& e : envBytes)
        envp.push_back(e.data());
    envp.push_back(nullptr);
    pid_t pid = 0;
    const int spawned = ::posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
    ::posix_spawn_file_actions_destroy(&actions);
    ::close(pipeFds[1]);
    if (spawned != 0) {
        ::close(pipeFds[0]);
        if (output)
            *output = program + QStringLiteral(" cannot be started");
        return -1;
    }
    QByteArray collected;
    QElapsedTimer clock;
    clock.start();
    bool finished = true;
    for (;;) {
        const qint64 left = 60000 - clock.elapsed();
        pollfd readable{pipeFds[0], POLLIN, 0};
        if (left <= 0 || ::poll(&readable, 1, int(left)) == 0) {
            finished = false;
            ::kill(pid, SIGKILL);
            break;
        }
        char buffer[4096];
        const ssize_t got = ::read(pipeFds[0], buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        collected.append(buffer, got);
    }
    ::close(pipeFds[0]);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (output)
        *output = QString::fromLocal8Bit(collected);
    return finished && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
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
