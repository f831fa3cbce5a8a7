#include "support/program_run.h"

#include "media/media_audio_stream.h"
#include "support/test_env.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QProcessEnvironment>

#include <gtest/gtest.h>

TProgramRun RunWithHive(const QString& program, const QStringList& args, int timeoutMs) {
    TProgramRun run;
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("SONAVEL_REGISTRY"),
               FreshDir(QStringLiteral("hive")) + "/sonavel.reg");
    process.setProcessEnvironment(env);
    QElapsedTimer clock;
    clock.start();
    process.start(program, args);
    run.finished = process.waitForFinished(timeoutMs);
    if (!run.finished)
        process.kill(), process.waitForFinished();
    run.ms = clock.elapsed();
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.out = QString::fromLocal8Bit(process.readAllStandardOutput());
    run.err = QString::fromLocal8Bit(process.readAllStandardError());
    return run;
}

TProgramRun RunSonavel(const QStringList& args, const QStringList& prefix, int timeoutMs) {
    const QString program = BinDir() + QStringLiteral("/sonavel");
    if (prefix.isEmpty())
        return RunWithHive(program, args, timeoutMs);
    return RunWithHive(prefix.first(), prefix.mid(1) + QStringList{program} + args, timeoutMs);
}

QString ExpectCleanFailure(const QStringList& args, const QString& outDir, const QStringList& keep,
                           const QStringList& prefix) {
    SCOPED_TRACE(args.join(u' ').toStdString());
    const TProgramRun run = RunSonavel(args, prefix, 30000);
    EXPECT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 1);
    const QStringList lines = run.err.trimmed().split(u'\n');
    EXPECT_EQ(lines.size(), 1) << run.err.toStdString();
    EXPECT_TRUE(lines[0].startsWith(QStringLiteral("sonavel: "))) << run.err.toStdString();
    EXPECT_LT(run.ms, 10000);
    if (!outDir.isEmpty()) {
        EXPECT_EQ(FilesIn(outDir), keep);
    }
    return lines[0];
}
