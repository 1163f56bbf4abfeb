#pragma once

#include <QDialog>

class QPushButton;

namespace nubexa::pages {

// "删除": asks before a task leaves the queue for good (180 x 120, no border, owned by the
// list's window). "确定删除" emits confirmed() and closes; "取消" only closes. GUI thread only.
class DeleteTaskDialog : public QDialog {
    Q_OBJECT
public:
    static constexpr QSize kSize{180, 120};
    static constexpr QRect kConfirm{20, 30, 60, 24};
    static constexpr QRect kCancel{100, 30, 60, 24};

    explicit DeleteTaskDialog(QWidget* parent);

    QPushButton* confirmButton() const { return m_confirm; }
    QPushButton* cancelButton() const { return m_cancel; }

signals:
    void confirmed();

private:
    QPushButton* m_confirm;
    QPushButton* m_cancel;
};

}  // namespace nubexa::pages
