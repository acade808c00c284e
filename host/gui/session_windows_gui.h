#pragma once
// The local host's own windows: the form browser and the stand-in for a session the
// host would run as its own program.
#include "session_windows.h"

#include <QDialog>
#include <optional>

class QTreeWidget;

namespace host {

// Makes start.vrok.session open these windows (called once by main()).
void installSessionWindows();

// Lists the forms; OK or a double click chooses the selected one.
class FormChooserDialog : public QDialog {
    Q_OBJECT
public:
    FormChooserDialog(const QList<FormEntry>& forms, int start, QWidget* parent = nullptr);
    // The chosen entry after the dialog was accepted.
    std::optional<int> chosenIndex() const;
    QTreeWidget* list() const { return list_; }

private:
    QTreeWidget* list_;
};

// Names the session, its table and its start record; answers nothing when closed.
class SessionWindow : public QDialog {
    Q_OBJECT
public:
    explicit SessionWindow(const SessionRequest& request, QWidget* parent = nullptr);
};

} // namespace host
