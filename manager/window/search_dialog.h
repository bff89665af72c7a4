#pragma once
#include <QDialog>

namespace manager {

// The search dialog: an empty window with a menu "Файл" and a status bar.
class TForm5 : public QDialog {
    Q_OBJECT
public:
    explicit TForm5(QWidget* parent = nullptr);
};

} // namespace manager
