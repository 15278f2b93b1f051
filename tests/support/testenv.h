#pragma once
// Test fixture: a fresh data folder (database, settings, pictures) in a
// temporary directory and scripted dialogs that record every message; the
// process's own data folder is in use again after each test.

#include "platform/dialogs.h"

#include <QString>
#include <QTemporaryDir>
#include <gtest/gtest.h>

class DataDirTest : public ::testing::Test
{
protected:
    void SetUp() override;
    void TearDown() override;

    QString dataDir() const { return m_dir.path(); }
    QString path(const QString &name) const { return m_dir.filePath(name); }

    QTemporaryDir m_dir;
    ScriptedDialogs dlg;
    QByteArray m_processDataDir; // the data folder before SetUp
};

// Writes bytes to a file; true on success.
bool WriteBytes(const QString &path, const QByteArray &bytes);
QByteArray ReadBytes(const QString &path);
// Runs a command; its exit code, with stdout in *out when given.
int RunCommand(const QString &program, const QStringList &args, QByteArray *out = nullptr);
