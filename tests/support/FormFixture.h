#pragma once
// A real main window for tests: scripted dialogs, file dialogs and clipboard,
// settings in a temporary folder, a program folder of its own, and a `ping`
// stand-in first on PATH so start-up never reaches the network.

#include "FakeClipboard.h"
#include "ScriptedDialogs.h"
#include "ScriptedFileDialogs.h"
#include "app/Form1.h"

#include <QTemporaryDir>

#include <memory>

class FormFixture final {
public:
    enum class Ping { Replies, Silent };

    // fetcher: the page fetch the window uses; by default one that refuses
    // every URL (tests of the extraction run pass a real one).
    explicit FormFixture(PageFetcher* fetcher = nullptr, Ping ping = Ping::Replies);
    ~FormFixture();

    // Makes a new window on the same settings and program folders, as a
    // second start of the program would.
    Form1& restart();
    Form1& loaded(); // restart() + Form_Load()

    QString settingsFile() const;
    QString programFolder() const { return m_programDir.path(); }
    static void setPing(Ping ping);

    ScriptedDialogs dialogs;
    ScriptedFileDialogs fileDialogs;
    FakeClipboard clipboard;
    std::unique_ptr<Form1> form;
    int endProgramCalls = 0;

private:
    QTemporaryDir m_settingsDir;
    QTemporaryDir m_programDir;
    std::unique_ptr<PageFetcher> m_ownFetcher;
    PageFetcher* m_fetcher;
};
