#pragma once
// The help viewer window and context help on a dialog's input controls.
#include "HelpViewer.h"

#include <QMainWindow>
#include <QPointer>
#include <functional>

class QAction;
class QLineEdit;
class QTextBrowser;
class QUrl;

namespace platform {

// One window showing the pages of a help folder, with back, forward, contents,
// index, a find box and close. Links between pages and anchors inside them work; a page
// missing from the folder shows a short notice instead.
class HelpViewerWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit HelpViewerWindow(QWidget* parent = nullptr);

    // Shows the page of a command in the folder; false when it does not exist (the
    // notice is shown then).
    bool showPage(const QString& helpFolder, HelpCommand command, const QString& topic);

    QString helpFolder() const { return m_folder; }
    // The page file shown, "" while the notice is shown.
    QString currentFile() const;
    QTextBrowser* browser() const { return m_browser; }
    QAction* backAction() const { return m_back; }
    QAction* forwardAction() const { return m_forward; }
    QAction* contentsAction() const { return m_contents; }
    QAction* indexAction() const { return m_index; }
    // Closes the window; Esc and Ctrl+W too.
    QAction* closeAction() const { return m_close; }
    QLineEdit* findBox() const { return m_find; }

private:
    void go(const QUrl& url);
    void findNext();
    void showMissing(const QString& topic);

    QTextBrowser* m_browser = nullptr;
    QAction* m_back = nullptr;
    QAction* m_forward = nullptr;
    QAction* m_contents = nullptr;
    QAction* m_index = nullptr;
    QAction* m_close = nullptr;
    QLineEdit* m_find = nullptr;
    QString m_folder;
    bool m_notice = false;  // the notice is shown instead of a page
};

// The real viewer: one HelpViewerWindow, made on first use and reused.
class WidgetHelpViewer : public HelpViewerPort {
public:
    ~WidgetHelpViewer() override;
    int32_t showHelp(QObject* caller, const QString& helpFolder, HelpCommand command,
                     const QString& topic) override;
    HelpViewerWindow* window() const { return m_window; }

private:
    QPointer<HelpViewerWindow> m_window;
};

// Called with the dialog, the control's name, what asked for help and whether the
// control is enabled; true uses the event up.
using ContextHelpHandler = std::function<bool(QObject* dialog, const QString& controlName,
                                              ContextHelpRequest request, bool controlEnabled)>;

// Watches the dialog's check boxes, text boxes (spin boxes too), option buttons and
// combo boxes: the help key (F1, or a what's-this click) on one of them, and a mouse
// button pressed on one (a disabled one too), go to the handler. The watch ends with
// the dialog. Returns the number of controls watched.
int installContextHelp(QWidget* dialog, ContextHelpHandler handler);

} // namespace platform
