#pragma once

#include <QDialog>

namespace nubexa::app {

class ImageButton;
class PictureCache;

// The small modal window shown while a QQ or Sina sign-in is pending in the browser
// (280 x 120, the same title for both providers). Its cancel button ends the attempt.
class WaitingDialog : public QDialog {
    Q_OBJECT
public:
    static constexpr const char* kTitle = QT_TR_NOOP("检测QQ登录中...");
    static constexpr QRect kTitleRect{0, 3, 280, 18};
    static constexpr QRect kLoading{28, 23, 204, 54};
    static constexpr QRect kCancel{100, 85, 100, 30};

    WaitingDialog(PictureCache& pictures, QWidget* owner);

    ImageButton* cancelButton() const { return m_cancel; }

signals:
    void cancelClicked();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    ImageButton* m_cancel;
};

}  // namespace nubexa::app
