#include "AppTestSupport.h"

#include <QApplication>
#include <QTest>
#include <filesystem>
#include <vector>

#include "engine/WaveEditViewController.h"

namespace wavomer::app::test {

namespace {
bool holds(QAccessibleInterface* node, const QString& name, QAccessible::Role role, int depth) {
    if (!node || depth > 40) return false;
    if (node->role() == role && node->text(QAccessible::Name) == name) return true;
    for (int i = 0; i < node->childCount(); ++i)
        if (holds(node->child(i), name, role, depth + 1)) return true;
    return false;
}
}  // namespace

bool accessibleFromApplication(const QString& name, QAccessible::Role role) {
    return holds(QAccessible::queryAccessibleInterface(qApp), name, role, 0);
}

std::function<int(const Question&)> answering(const QString& text) {
    return [text](const Question& question) {
        const int index = static_cast<int>(question.answers.indexOf(text));
        if (index < 0) ADD_FAILURE() << "no answer \"" << text.toStdString() << "\" to " << question.text.toStdString();
        return index < 0 ? question.cancelIndex() : index;
    };
}

WindowTest::WindowTest() {
    std::filesystem::create_directories(scratch_.file("home"));
    std::filesystem::create_directories(scratch_.file("tmp"));
    home_ = std::make_unique<wavomer::test::HomeEnvironment>(scratch_.file("home"), scratch_.file("tmp"));
}

WindowTest::~WindowTest() = default;

std::unique_ptr<MainWindow> WindowTest::openWindow(const QString& folder) {
    auto document = std::make_unique<Document>(clipboard_, OutputDevice::Silent);
    Outcome<> outcome = document->load(folder);
    if (!outcome.ok()) {
        ADD_FAILURE() << "cannot open " << folder.toStdString() << ": " << outcome.error();
        return nullptr;
    }
    if (prepareDocument_) prepareDocument_(*document);
    auto window = std::make_unique<MainWindow>(std::move(document), interaction_, program_);
    window->setAttribute(Qt::WA_DeleteOnClose, false);
    window->resize(1200, 700);
    window->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    settle();
    return window;
}

bool WindowTest::waitFor(const std::function<bool()>& done) {
    // Bounded by a count of event rounds, not by a clock.
    for (int round = 0; round < 4000; ++round) {
        if (done()) return true;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QTest::qWait(5);
    }
    return done();
}

void WindowTest::settle() {
    for (int i = 0; i < 5; ++i) QCoreApplication::processEvents();
}

std::string WindowTest::makeWav(const std::string& name, double loudSeconds, double silentSeconds, float amplitude) {
    const int rate = 44100;
    const auto loud = static_cast<size_t>(loudSeconds * rate);
    const auto total = loud + static_cast<size_t>(silentSeconds * rate);
    std::vector<float> samples(total * 2, 0.0f);
    for (size_t i = 0; i < loud; ++i) {
        const float value = (i % 2 == 0) ? amplitude : -amplitude;
        samples[2 * i] = value;
        samples[2 * i + 1] = value;
    }
    const std::string path = scratch_.file(name);
    wavomer::test::writeWavFloat(path, 2, rate, samples);
    return path;
}

bool WindowTest::importAndWait(MainWindow& window, const std::string& path) {
    bool finished = false;
    bool ok = false;
    window.document().import(QString::fromStdString(path), [&](Outcome<> outcome) {
        finished = true;
        ok = outcome.ok();
        if (!ok) ADD_FAILURE() << outcome.error();
    });
    const bool done = waitFor([&] { return finished; });
    settle();
    return done && ok;
}

}  // namespace wavomer::app::test
