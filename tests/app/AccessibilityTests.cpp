// What assistive technology reads from the main window: every command of the command
// table is found by its text in the accessibility tree (as a menu item, and as a button
// when it is on the toolbar), and the views the window draws itself say what they are
// and, where they have one, their value.
#include <QAccessible>
#include <QAction>
#include <QMenuBar>

#include <algorithm>
#include <set>

#include "AppTestSupport.h"
#include "actions/CommandTable.h"
#include "actions/WindowActions.h"
#include "base/Text.h"
#include "window/TimeDisplay.h"
#include "window/ZoomControl.h"

namespace wavomer::app::test {

namespace {

using WindowAccessibility = WindowTest;

struct Element {
    QString name;
    QAccessible::Role role;
    QAccessibleInterface* iface;
};

void walk(QAccessibleInterface* iface, std::vector<Element>& out, int depth = 0) {
    if (!iface || depth > 40) return;
    out.push_back({iface->text(QAccessible::Name), iface->role(), iface});
    for (int i = 0; i < iface->childCount(); ++i) walk(iface->child(i), out, depth + 1);
}

std::vector<Element> treeOf(QWidget& window) {
    std::vector<Element> all;
    walk(QAccessible::queryAccessibleInterface(&window), all);
    return all;
}

bool has(const std::vector<Element>& all, const QString& name, const std::set<QAccessible::Role>& roles) {
    for (const Element& e : all)
        if (e.name == name && roles.count(e.role)) return true;
    return false;
}

const Element* find(const std::vector<Element>& all, const QString& name) {
    for (const Element& e : all)
        if (e.name == name) return &e;
    return nullptr;
}

}  // namespace

TEST_F(WindowAccessibility, EveryCommandIsAMenuItemNamedByItsText) {
    auto window = openWindow();
    ASSERT_TRUE(window);
    const std::vector<Element> all = treeOf(*window);
    std::size_t count = 0;
    const CommandRow* rows = commandRows(&count);
    ASSERT_GT(count, 30u);
    for (std::size_t i = 0; i < count; ++i) {
        // "%1" in a command's text is the program's name.
        QString name = text(rows[i].text);
        if (name.contains(QLatin1String("%1"))) name = name.arg(QCoreApplication::applicationName());
        EXPECT_TRUE(has(all, name, {QAccessible::MenuItem})) << "no menu item named \"" << rows[i].text << "\"";
    }
    for (const char* menu : {"File", "Edit", "Track", "Control", "View", "Help"})
        EXPECT_TRUE(has(all, text(menu), {QAccessible::MenuItem, QAccessible::PopupMenu})) << menu;
}

TEST_F(WindowAccessibility, EveryToolbarCommandIsAButtonNamedByItsText) {
    auto window = openWindow();
    ASSERT_TRUE(window);
    const std::vector<Element> all = treeOf(*window);
    std::size_t count = 0;
    const CommandRow* rows = commandRows(&count);
    int onToolbar = 0;
    for (std::size_t i = 0; i < count; ++i) {
        if (rows[i].toolbar == Toolbar::none) continue;
        ++onToolbar;
        // A button shows its command's text without the trailing "..." of the menu.
        const QString shown = window->actions().action(rows[i].id())->iconText();
        EXPECT_TRUE(text(rows[i].text).startsWith(shown)) << rows[i].text;
        EXPECT_TRUE(has(all, shown, {QAccessible::Button, QAccessible::CheckBox, QAccessible::ButtonMenu}))
            << "no button named \"" << rows[i].text << "\"";
    }
    EXPECT_GE(onToolbar, 12);
}

TEST_F(WindowAccessibility, TheZoomControlIsASliderWhoseValueIsTheZoomAndCanBeSet) {
    auto window = openWindow();
    ASSERT_TRUE(window);
    const std::vector<Element> all = treeOf(*window);
    const Element* zoom = find(all, Text::tr("Zoom"));
    ASSERT_NE(zoom, nullptr);
    EXPECT_EQ(zoom->role, QAccessible::Slider);
    QAccessibleValueInterface* value = zoom->iface->valueInterface();
    ASSERT_NE(value, nullptr);
    EXPECT_FLOAT_EQ(value->currentValue().toFloat(), 30.0f);
    EXPECT_FLOAT_EQ(value->minimumValue().toFloat(), 1.0f);
    EXPECT_FLOAT_EQ(value->maximumValue().toFloat(), 70.0f);
    // Setting the value zooms the project, as the control's own press would.
    value->setCurrentValue(42.0f);
    EXPECT_FLOAT_EQ(window->zoomControl().value(), 42.0f);
    EXPECT_DOUBLE_EQ(window->document().engine().currentPixelPerSecond,
                     WaveEditViewController::pixelPerSecondForZoom(42.0));
    EXPECT_EQ(zoom->iface->text(QAccessible::Value), QStringLiteral("42"));
}

TEST_F(WindowAccessibility, TheTimeDisplayIsALabelWhoseValueIsTheTimeShown) {
    auto window = openWindow();
    ASSERT_TRUE(window);
    window->timeDisplay().setShowTime(3725.5f);
    const std::vector<Element> all = treeOf(*window);
    const Element* time = find(all, Text::tr("Current Time"));
    ASSERT_NE(time, nullptr);
    EXPECT_EQ(time->role, QAccessible::StaticText);
    EXPECT_EQ(time->iface->text(QAccessible::Value), QStringLiteral("01:02:05.50"));
}

TEST_F(WindowAccessibility, TheSelectionTimesAreEditableFieldsNamedForWhatTheyHold) {
    auto window = openWindow();
    ASSERT_TRUE(window);
    const std::vector<Element> all = treeOf(*window);
    for (const char* name : {"Selection Start", "Selection End", "Selection Length", "Cursor"}) {
        // The field itself, not the label beside it that may read the same.
        const auto field = std::find_if(all.begin(), all.end(), [&](const Element& e) {
            return e.name == QLatin1String(name) && e.role == QAccessible::EditableText;
        });
        ASSERT_NE(field, all.end()) << name;
        EXPECT_EQ(field->iface->text(QAccessible::Value), QStringLiteral("00:00:00.000")) << name;
    }
}

TEST_F(WindowAccessibility, TheRulerAndTheTracksAreNamed) {
    auto window = openWindow();
    ASSERT_TRUE(window);
    const std::vector<Element> all = treeOf(*window);
    const Element* ruler = find(all, Text::tr("Time Ruler"));
    ASSERT_NE(ruler, nullptr);
    EXPECT_EQ(ruler->role, QAccessible::Graphic);
    EXPECT_NE(find(all, Text::tr("Tracks")), nullptr);
}

TEST_F(WindowAccessibility, EachTrackRowIsAListItemNamedByItsNumberWithItsLengthAsValue) {
    auto window = openWindow();
    ASSERT_TRUE(window);
    const std::string wav = makeWav("two.wav", 2.0, 0.0, 0.5f);
    ASSERT_TRUE(importAndWait(*window, wav));
    std::vector<Element> all = treeOf(*window);
    const Element* tracks = find(all, Text::tr("Tracks"));
    ASSERT_NE(tracks, nullptr);
    EXPECT_EQ(tracks->role, QAccessible::List);
    const std::size_t count = window->document().engine().audioTrackArray().size();
    ASSERT_GE(count, 2u);
    QStringList lengths;
    for (std::size_t i = 0; i < count; ++i) {
        const Element* row = find(all, Text::tr("Track %1").arg(i + 1));
        ASSERT_NE(row, nullptr) << i;
        EXPECT_EQ(row->role, QAccessible::ListItem);
        EXPECT_EQ(row->iface->parent()->indexOfChild(row->iface), static_cast<int>(i));
        EXPECT_FALSE(row->iface->rect().isEmpty());
        lengths << row->iface->text(QAccessible::Value);
    }
    EXPECT_TRUE(lengths.contains(QStringLiteral("00:00:02.00"))) << qPrintable(lengths.join(u','));
    // A new track is a new row.
    window->runCommand("addTrackFunction");
    ASSERT_EQ(window->document().engine().audioTrackArray().size(), count + 1);
    all = treeOf(*window);
    EXPECT_NE(find(all, Text::tr("Track %1").arg(count + 1)), nullptr);
    EXPECT_EQ(std::count_if(all.begin(), all.end(), [](const Element& e) { return e.role == QAccessible::ListItem; }),
              static_cast<std::ptrdiff_t>(count + 1));
}

}  // namespace wavomer::app::test
