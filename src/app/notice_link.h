#pragma once

#include <QLabel>

namespace nubexa::app {

// The notice at the bottom left of the main window: white text, underlined while hovered,
// transparent, as wide as its text. It takes the keyboard focus (Tab, or a click), and Return
// or Space open it like a click.
class NoticeLink : public QLabel {
    Q_OBJECT
public:
    static constexpr int kHeight = 18;

    explicit NoticeLink(const QString& text, QWidget* parent = nullptr);

    // Shows another title; the link keeps its left edge and takes the new text's width.
    void setNotice(const QString& text);

signals:
    void clicked();

protected:
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void setUnderline(bool on);
};

}  // namespace nubexa::app
