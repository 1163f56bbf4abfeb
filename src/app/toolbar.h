#pragma once

#include <QButtonGroup>
#include <QWidget>

namespace nubexa::app {

class ImageButton;
class PictureCache;

// The six buttons under the title bar: one radio group, so the last one clicked stays pushed.
// "我的网盘" is pushed at start.
class Toolbar : public QObject {
    Q_OBJECT
public:
    enum Button { kMyDisk, kDraw, kCommunity, kFriends, kResources, kWebHost, kCount };

    Toolbar(PictureCache& cache, QWidget* window);

    ImageButton* button(Button which) const { return m_buttons[which]; }
    int checkedButton() const { return m_group.checkedId(); }

signals:
    void clicked(nubexa::app::Toolbar::Button which);

private:
    QButtonGroup m_group;
    ImageButton* m_buttons[kCount] = {};
};

}  // namespace nubexa::app
