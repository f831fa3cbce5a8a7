#include "support/test_home.h"

#include "support/test_env.h"

#include "app/globals.h"

#include <QDir>
#include <QFile>

#include <cstdlib>

static QTemporaryDir* gRoot = nullptr;

QString TestRoot() {
    return gRoot->path();
}

void SetUpTestHome(QTemporaryDir& root) {
    gRoot = &root;
    const QByteArray r = root.path().toUtf8();
    setenv("HOME", r.constData(), 1);
    setenv("XDG_CONFIG_HOME", (r + "/config").constData(), 1);
    setenv("XDG_DATA_HOME", (r + "/data").constData(), 1);
    setenv("XDG_CACHE_HOME", (r + "/cache").constData(), 1);
    setenv("XDG_RUNTIME_DIR", (r + "/runtime").constData(), 1);
    setenv("SONAVEL_REGISTRY", (r + "/config/sonavel/registry.reg").constData(), 1);
    setenv("SONAVEL_DATA_DIR", (r + "/history").constData(), 1);
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    // English texts and number formats, in process and in the programs tests start,
    // whatever the developer's desktop speaks; a test that wants another language says so.
    for (const char* name : {"LANGUAGE", "LC_ALL", "LC_MESSAGES", "LC_NUMERIC"})
        unsetenv(name);
    setenv("LANG", "C.UTF-8", 1);
    QDir().mkpath(root.path() + QStringLiteral("/Documents"));
    QDir().mkpath(root.path() + QStringLiteral("/history"));
    QDir().mkpath(root.path() + QStringLiteral("/runtime"));
    QFile::setPermissions(root.path() + QStringLiteral("/runtime"),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

void SetUpProgramGlobals() {
    ProgramDir = BinDir() + u'/';
    SetProgramConstants();
}
