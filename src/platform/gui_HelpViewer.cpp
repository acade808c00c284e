#include "gui_HelpViewer.h"
#include "gui_Screen.h"

#include <QAbstractSpinBox>
#include <QAction>
#include <QCheckBox>
#include <QCoreApplication>
#include <QComboBox>
#include <QEvent>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTextBrowser>
#include <QTextEdit>
#include <QToolBar>
#include <QUrl>

namespace platform {

namespace {

QUrl pageUrl(const QString& file, const QString& anchor)
{
    QUrl url = QUrl::fromLocalFile(file);
    if (!anchor.isEmpty())
        url.setFragment(anchor);
    return url;
}

bool isHelpControl(const QWidget* w)
{
    return qobject_cast<const QCheckBox*>(w) || qobject_cast<const QRadioButton*>(w)
           || qobject_cast<const QComboBox*>(w) || qobject_cast<const QLineEdit*>(w)
           || qobject_cast<const QTextEdit*>(w) || qobject_cast<const QPlainTextEdit*>(w)
           || qobject_cast<const QAbstractSpinBox*>(w);
}

// The line edit inside a combo box or spin box is part of that control.
bool insideHelpControl(const QWidget* w, const QWidget* dialog)
{
    for (const QWidget* p = w->parentWidget(); p && p != dialog; p = p->parentWidget())
        if (isHelpControl(p))
            return true;
    return false;
}

// Watches input controls for the help key and the mouse button.
class ContextHelpFilter : public QObject {
public:
    ContextHelpFilter(QWidget* dialog, ContextHelpHandler handler)
        : QObject(dialog)
        , m_dialog(dialog)
        , m_handler(std::move(handler))
    {
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        auto* control = qobject_cast<QWidget*>(watched);
        if (!control || !m_handler)
            return false;
        switch (event->type()) {
        case QEvent::KeyPress:
            if (static_cast<QKeyEvent*>(event)->key() != Qt::Key_F1)
                return false;
            return ask(control, ContextHelpRequest::HelpKey, event);
        case QEvent::WhatsThis:
            return ask(control, ContextHelpRequest::HelpKey, event);
        case QEvent::MouseButtonPress:
            return ask(control, ContextHelpRequest::Click, event);
        default:
            return false;
        }
    }

private:
    bool ask(QWidget* control, ContextHelpRequest request, QEvent* event)
    {
        const bool usedUp = m_handler(m_dialog, control->objectName(), request, control->isEnabled());
        if (usedUp)
            event->accept();
        return usedUp;
    }

    QWidget* m_dialog;
    ContextHelpHandler m_handler;
};

// A file below the folder, as helpPageFile() takes a topic's page to be.
bool insideFolder(const QString& folder, const QString& file)
{
    if (folder.isEmpty())
        return false;
    const QString root = QDir::cleanPath(QFileInfo(folder).absoluteFilePath());
    return QDir::cleanPath(file).startsWith(root + QLatin1Char('/'));
}

int g_windowSerial = 0;

} // namespace

HelpViewerWindow::HelpViewerWindow(QWidget* parent)
    : QMainWindow(parent)
{
    setObjectName(QStringLiteral("HelpViewerWindow"));
    setWindowTitle(tr("Palimor Help"));
    setAttribute(Qt::WA_DeleteOnClose, false);

    m_browser = new QTextBrowser(this);
    m_browser->setObjectName(QStringLiteral("helpBrowser"));
    m_browser->setOpenLinks(false);
    m_browser->setOpenExternalLinks(false);
    setCentralWidget(m_browser);

    QToolBar* bar = addToolBar(tr("Navigation"));
    bar->setObjectName(QStringLiteral("helpToolBar"));
    bar->setMovable(false);
    m_back = bar->addAction(tr("Back"), m_browser, &QTextBrowser::backward);
    m_forward = bar->addAction(tr("Forward"), m_browser, &QTextBrowser::forward);
    m_contents = bar->addAction(tr("Contents"), this,
                                [this] { showPage(m_folder, HelpCommand::DisplayContents, QString()); });
    m_index = bar->addAction(tr("Index"), this, [this] { showPage(m_folder, HelpCommand::DisplayIndex, QString()); });
    m_back->setShortcut(QKeySequence::Back);
    m_forward->setShortcut(QKeySequence::Forward);
    m_back->setEnabled(false);
    m_forward->setEnabled(false);
    bar->addSeparator();
    m_find = new QLineEdit(bar);
    m_find->setObjectName(QStringLiteral("helpFind"));
    m_find->setPlaceholderText(tr("Find in page"));
    m_find->setClearButtonEnabled(true);
    m_find->setMaximumWidth(220);
    bar->addWidget(m_find);
    // Its own way to close, also where no window manager draws a close box.
    bar->addSeparator();
    m_close = bar->addAction(tr("Close"), this, &QWidget::close);
    m_close->setShortcuts({QKeySequence(Qt::Key_Escape), QKeySequence(Qt::CTRL | Qt::Key_W)});

    connect(m_browser, &QTextBrowser::backwardAvailable, m_back, &QAction::setEnabled);
    connect(m_browser, &QTextBrowser::forwardAvailable, m_forward, &QAction::setEnabled);
    connect(m_find, &QLineEdit::returnPressed, this, &HelpViewerWindow::findNext);
    connect(m_browser, &QTextBrowser::anchorClicked, this, [this](const QUrl& link) {
        const QUrl target = m_browser->source().resolved(link);
        // The help opens nothing outside itself: no other scheme, no file outside its folder.
        if (!target.isLocalFile() || !insideFolder(m_folder, target.toLocalFile()))
            return;
        if (QFileInfo(target.toLocalFile()).isFile())
            go(target);
        else
            showMissing(link.toString());
    });
    connect(m_browser, &QTextBrowser::sourceChanged, this, [this](const QUrl&) {
        m_notice = false;
        const QString title = m_browser->documentTitle();
        setWindowTitle(title.isEmpty() ? tr("Palimor Help") : tr("Palimor Help - %1").arg(title));
    });

    resize(720, 560);
}

bool HelpViewerWindow::showPage(const QString& helpFolder, HelpCommand command, const QString& topic)
{
    m_folder = helpFolder;
    const QString file = helpPageFile(helpFolder, command, topic);
    if (file.isEmpty() || !QFileInfo(file).isFile()) {
        showMissing(topic);
        return false;
    }
    const QUrl url = pageUrl(file, command == HelpCommand::DisplayTopic ? helpAnchor(topic) : QString());
    go(url);
    return true;
}

void HelpViewerWindow::go(const QUrl& url)
{
    // The page under the notice is still the source: setting it again would not show it.
    if (m_notice && url == m_browser->source())
        m_browser->reload();
    else
        m_browser->setSource(url);
    m_notice = false;
}

QString HelpViewerWindow::currentFile() const
{
    const QUrl source = m_browser->source();
    return !m_notice && source.isLocalFile() ? source.toLocalFile() : QString();
}

void HelpViewerWindow::showMissing(const QString& topic)
{
    m_browser->setHtml(tr("<h2>Page not found</h2><p>The help has no page <tt>%1</tt>.</p>"
                          "<p>Use <b>Contents</b> to find the subject.</p>")
                           .arg(topic.toHtmlEscaped()));
    m_notice = true;
    setWindowTitle(tr("Palimor Help"));
}

void HelpViewerWindow::findNext()
{
    const QString text = m_find->text();
    if (text.isEmpty())
        return;
    if (!m_browser->find(text)) {
        // From the top once more before giving up.
        m_browser->moveCursor(QTextCursor::Start);
        m_browser->find(text);
    }
}

WidgetHelpViewer::~WidgetHelpViewer()
{
    // A port released after the application is gone leaves the window to the process end.
    if (QCoreApplication::instance())
        delete m_window.data();
}

int32_t WidgetHelpViewer::showHelp(QObject* caller, const QString& helpFolder, HelpCommand command,
                                   const QString& topic)
{
    if (helpPageFile(helpFolder, command, topic).isEmpty())
        return 0;
    if (!m_window) {
        m_window = new HelpViewerWindow;
        m_window->setProperty("helpHandle", ++g_windowSerial);
        // Over the window that asked, wholly on the screen.
        platform::fitOnScreen(m_window, qobject_cast<QWidget*>(caller));
    }
    m_window->show();
    m_window->showPage(helpFolder, command, topic);
    m_window->raise();
    m_window->activateWindow();
    return m_window->property("helpHandle").toInt();
}

int installContextHelp(QWidget* dialog, ContextHelpHandler handler)
{
    if (!dialog)
        return 0;
    auto* filter = new ContextHelpFilter(dialog, std::move(handler));
    int watched = 0;
    const QList<QWidget*> children = dialog->findChildren<QWidget*>();
    for (QWidget* w : children) {
        if (!isHelpControl(w) || insideHelpControl(w, dialog))
            continue;
        w->installEventFilter(filter);
        ++watched;
    }
    return watched;
}

} // namespace platform
