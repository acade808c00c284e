#pragma once
// The about box: the program's name, version and notice, with an OK button.
#include <QDialog>
#include <functional>

class QLabel;
class QPushButton;

class frm_About : public QDialog {
    Q_OBJECT
public:
    explicit frm_About(QWidget* parent = nullptr);

    // Closes the box and releases the one instance; the next use makes a new one.
    void mCloseAbout();

    // Runs when the user types "CREDITS" in the box.
    std::function<void()> onCredits;

    QLabel* Image1 = nullptr;
    QLabel* lblProduct1 = nullptr;
    QLabel* lblProduct2 = nullptr;
    QLabel* lblNotice = nullptr;
    QPushButton* pbOk = nullptr;

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    // Esc and the close box close the box the same way.
    void reject() override;

private:
    void Form_Load();
    void Form_Activate();
    void placeImage();

    QString m_captionCode;
    QString m_typed;
};

// "Version: " major "." minor "a" "." revision.
QString gsAboutVersionText(int major, int minor, int revision);

// The one about box, made on first use; nullptr when none exists.
frm_About& aboutBox();
frm_About* aboutBoxInstance();

// Shows the about box modally above parent; onCredits as for frm_About.
void gShowAboutBox(QWidget* parent, std::function<void()> onCredits = {});
