// The demo's main window: the database and business the library works on, the debug switch, and
// one button per library operation.
#pragma once

#include "LateBound.h"

#include <QWidget>

class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace demo {

class MainWindow : public QWidget {
public:
    MainWindow();
    // The start-up steps. False when the library object cannot be created: the demo then ends.
    bool load();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    QPushButton* button(const char* name, const QString& caption);
    void pathChanged(const QString& text);
    void businessChosen();
    void addBusinesses(LateBound& k);
    void takeInput();  // path box and debug box into the settings, before every action
    // Asks for a document number and calls the print or display operation of that name.
    void printPrompt(const char* handler, const QString& prompt, const char* operation, const QString& done);
    void displayPrompt(const char* handler, const QString& prompt, const char* operation);
    void openForm(QWidget* form);
    void backup();

    QLineEdit* txtKovrinPath_;
    QListWidget* lstBusinesses_;
    QCheckBox* chkDebug_;
    QLabel* lblKovrinPath_;
    QLabel* lblVersion_;
    QLabel* lblAPIVersion_;
    QLineEdit* txtBackupTimeout_;
    bool loading_ = false;
};

}  // namespace demo
