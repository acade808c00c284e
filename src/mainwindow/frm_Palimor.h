#pragma once
// The main window: the program's start-up object, the form's tree and the status bar.
#include <QMainWindow>
#include <cstdint>

class QLabel;
class QStatusBar;
class QTreeWidget;

class frm_Palimor : public QMainWindow {
    Q_OBJECT
public:
    explicit frm_Palimor(QWidget* parent = nullptr);
    ~frm_Palimor() override;

    // Runs the whole start-up. Ends the program itself when start-up fails.
    void Form_Load();
    void mInitializePLM();
    // File, Exit: writes the placement back, closes the host link and ends the program.
    void mnuFExit_Click();

    QTreeWidget* tvwGroups = nullptr;
    QStatusBar* SBarEditor = nullptr;
    QLabel* SBarPanel1 = nullptr;  // panel 1 of the status bar

    // Placement kept while the window is in normal state, in twips.
    struct Placement {
        int32_t state = 0;
        int32_t top = 0, left = 0, width = 0, height = 0;
    };
    const Placement& savedPlacement() const { return m_placement; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void readPlacement();
    void keepPlacement();
    void installHooks();

    Placement m_placement;
    bool m_exiting = false;
};

// The one main window; created on first use.
frm_Palimor& mainWindow();
bool mainWindowExists();
// Destroys the main window (tests).
void resetMainWindow();

// Screen units of the stored placement.
inline constexpr int kTwipsPerPixel = 15;
