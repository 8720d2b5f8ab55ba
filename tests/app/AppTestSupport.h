// What the window tests share: a private home folder, windows over documents that play
// on the silent device, media made by the test, and waiting for queued work.
#pragma once

#include <gtest/gtest.h>

#include <QAccessible>
#include <QString>
#include <functional>
#include <memory>
#include <string>

#include "shell/Document.h"
#include "shell/QtClipboard.h"
#include "support/TestSupport.h"
#include "window/MainWindow.h"

namespace wavomer::app::test {

// Whether the accessibility tree, walked from the application as a screen reader walks
// it, holds an element of that name and role.
bool accessibleFromApplication(const QString& name, QAccessible::Role role);

class WindowTest : public ::testing::Test {
protected:
    WindowTest();
    ~WindowTest() override;

    // A window over a new project (folder empty) or the project in folder; it is not
    // deleted on close, the test owns it.
    std::unique_ptr<MainWindow> openWindow(const QString& folder = {});
    // Runs queued events until done() holds; false when it never did.
    static bool waitFor(const std::function<bool()>& done);
    // Lets the queued refreshes run.
    static void settle();
    // A stereo WAV: loud (a square wave of the given amplitude) for loudSeconds, then
    // silent for silentSeconds.
    std::string makeWav(const std::string& name, double loudSeconds, double silentSeconds, float amplitude);
    // Imports a file into the window's project and waits for the placement.
    bool importAndWait(MainWindow& window, const std::string& path);

    wavomer::test::ScratchDir scratch_;
    std::unique_ptr<wavomer::test::HomeEnvironment> home_;
    QtClipboard clipboard_;
};

}  // namespace wavomer::app::test
