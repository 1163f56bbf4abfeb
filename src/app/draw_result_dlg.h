#pragma once

#include <QDialog>
#include <QRect>

class QLabel;
class QPushButton;

namespace nubexa::app {

namespace draw_result_rects {
inline constexpr QSize kWindow{200, 100};
inline constexpr QRect kText{20, 30, 150, 43};
inline constexpr QRect kButton{80, 65, 60, 24};
}  // namespace draw_result_rects

// The result of the capacity draw ("抽容量"): the message and one button that closes it.
// Modal; deletes itself when closed.
class DrawResultDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr const char* kTitle = QT_TR_NOOP("抽容量");

    DrawResultDlg(const QString& message, const QString& buttonText, QWidget* owner);

    QString message() const;
    QPushButton* button() const { return m_button; }

private:
    QLabel* m_text;
    QPushButton* m_button;
};

}  // namespace nubexa::app
