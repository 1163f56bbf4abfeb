#include "app/toolbar.h"

#include "app/image_button.h"
#include "app/main_frame_rects.h"
#include "picture_catalog.h"

namespace nubexa::app {

namespace {

const char* const kTexts[Toolbar::kCount] = {
    QT_TRANSLATE_NOOP("nubexa::app::Toolbar", "我的网盘"),
    QT_TRANSLATE_NOOP("nubexa::app::Toolbar", "签到抽容量"),
    QT_TRANSLATE_NOOP("nubexa::app::Toolbar", "圈子社区"),
    QT_TRANSLATE_NOOP("nubexa::app::Toolbar", "好友交流"),
    QT_TRANSLATE_NOOP("nubexa::app::Toolbar", "资源中心"),
    QT_TRANSLATE_NOOP("nubexa::app::Toolbar", "WEB云主机")};

}  // namespace

Toolbar::Toolbar(PictureCache& cache, QWidget* window) : QObject(window) {
    using ImageFace = ImageButton::Face;
    const auto normal = ImageFace::whole(pictures::kToolbarNormal);
    const auto hover = ImageFace::whole(pictures::kToolbarHover);
    const auto pushed = ImageFace::whole(pictures::kToolbarPushed);
    QFont font = window->font();
    font.setPixelSize(12);
    for (int index = 0; index < kCount; ++index) {
        const QString text = tr(kTexts[index]);
        auto* button = new ImageButton(cache, text, window);
        button->setText(text);
        button->setFont(font);
        button->setCheckable(true);
        button->setFaces(normal, hover, pushed, pushed);
        button->setIconPicture(pictures::kToolbarIcons[index]);
        button->setTextColor(Qt::white);
        button->setTextOffset(QPoint(0, -3));
        button->setGeometry(
            QRect(QPoint(main_frame_rects::kToolbarX[index], main_frame_rects::kToolbarTop),
                  main_frame_rects::kToolbarButton));
        m_group.addButton(button, index);
        m_buttons[index] = button;
    }
    m_group.setExclusive(true);
    m_buttons[kMyDisk]->setChecked(true);
    connect(&m_group, &QButtonGroup::idClicked, this, [this](int id) {
        // The others open a page of the site or the draw: the window still shows the disk.
        m_buttons[kMyDisk]->setChecked(true);
        emit clicked(static_cast<Button>(id));
    });
}

}  // namespace nubexa::app
