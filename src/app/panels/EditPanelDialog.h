// What the volume, fade and effect panels share: the engine they edit, a session that
// keeps their whole change as one undo step on OK and undoes all of it on Cancel or the
// close button, and a preview of the selected sections. A panel is made for one opening:
// open() takes the selected sections, exec() runs it modally, and every way of closing
// goes through done(): the preview stops and lets go of its data, then the session is
// kept (OK) or dropped (anything else); the window redraws on the change notice of the
// user events the session ran.
//
// Threads: main thread.
#pragma once

class QBoxLayout;

#include <QDialog>
#include <functional>
#include <memory>

#include "OutputGraphFactory.h"
#include "engine/PanelEditSession.h"
#include "panels/PreviewTransport.h"

namespace wavomer::app {

struct WindowContext;

class EditPanelDialog : public QDialog {
    Q_OBJECT
public:
    // Shown over the context's window; edits the context's document and previews on
    // its sound output.
    explicit EditPanelDialog(const WindowContext& context);
    ~EditPanelDialog() override;

    // Takes the selected sections and resets the panel for a new opening.
    void open();
    PreviewPlayer& preview() { return *preview_; }
    PreviewTransport& transport() { return *transport_; }
    PanelEditSession* session() { return session_.get(); }
    WaveEditViewController& engine() { return engine_; }
    void done(int result) override;

protected:
    // Return in a field commits the field (the preview follows) and keeps the panel open.
    void keyPressEvent(QKeyEvent* event) override;
    // A press on the panel's background commits the field being edited.
    void mousePressEvent(QMouseEvent* event) override;
    // Commits the field being edited, as leaving it would.
    void commitTypedValue();
    // The panel's own part of an opening and of OK (the last write before keeping).
    // Adds the preview's transport and the OK and Cancel buttons below the panel's controls.
    void addTransportAndButtons(QBoxLayout& layout);
    virtual void updateWindow() {}
    virtual void okAction() {}
    // Runs a change of the sections inside the session.
    void change(const std::function<void(WaveEditViewController&)>& change);

private:
    WaveEditViewController& engine_;
    std::unique_ptr<PanelEditSession> session_;
    PreviewPlayer* preview_ = nullptr;
    PreviewTransport* transport_ = nullptr;
    bool closing_ = false;
};

}  // namespace wavomer::app
