// Files dropped on the tracks: the first is imported; drops are refused while a file
// converts.
#include <QCoreApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>

#include "AppTestSupport.h"
#include "engine/WaveEditViewController.h"
#include "timeline/TimelineView.h"

namespace wavomer::app::test {

namespace {

using DroppingFiles = WindowTest;

std::unique_ptr<QMimeData> filesMime(const std::vector<std::string>& paths) {
    auto mime = std::make_unique<QMimeData>();
    QList<QUrl> urls;
    for (const std::string& path : paths) urls.push_back(QUrl::fromLocalFile(QString::fromStdString(path)));
    mime->setUrls(urls);
    return mime;
}

bool enterAccepted(TimelineView& timeline, const QMimeData& mime) {
    QDragEnterEvent enter(QPoint(50, 50), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    enter.setAccepted(false);
    QCoreApplication::sendEvent(timeline.viewport(), &enter);
    return enter.isAccepted();
}

void drop(TimelineView& timeline, const QMimeData& mime) {
    QDropEvent event(QPointF(50, 50), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(timeline.viewport(), &event);
}

}  // namespace

TEST_F(DroppingFiles, OnlyTheFirstDroppedFileIsImported) {
    auto window = openWindow();
    ASSERT_TRUE(window);
    const std::string first = makeWav("first.wav", 1.0, 0.0, 0.5);
    const std::string second = makeWav("second.wav", 2.0, 0.0, 0.5);
    auto mime = filesMime({first, second});
    ASSERT_TRUE(enterAccepted(window->timeline(), *mime));
    drop(window->timeline(), *mime);
    WaveEditViewController& engine = window->document().engine();
    ASSERT_TRUE(waitFor([&] { return engine.farestTrackEndTime() > 0.0 && !engine.importInProgress(); }));
    settle();
    EXPECT_NEAR(engine.farestTrackEndTime(), 1.0, 0.01);
    EXPECT_TRUE(window->document().isEdited());
}

TEST_F(DroppingFiles, ADropWhileAFileConvertsIsRefused) {
    auto window = openWindow();
    ASSERT_TRUE(window);
    bool finished = false;
    window->document().import(QString::fromStdString(makeWav("long.wav", 3.0, 0.0, 0.5)),
                              [&](Outcome<>) { finished = true; });
    auto mime = filesMime({makeWav("other.wav", 1.0, 0.0, 0.5)});
    EXPECT_FALSE(enterAccepted(window->timeline(), *mime));
    ASSERT_TRUE(waitFor([&] { return finished; }));
    settle();
    EXPECT_TRUE(enterAccepted(window->timeline(), *mime));
}

TEST_F(DroppingFiles, SomethingThatIsNotAFileIsRefused) {
    auto window = openWindow();
    ASSERT_TRUE(window);
    QMimeData text;
    text.setText(QStringLiteral("hello"));
    EXPECT_FALSE(enterAccepted(window->timeline(), text));
}

}  // namespace wavomer::app::test
