#include "picture_catalog.h"

#include <algorithm>
#include <string>
#include <vector>

namespace nubexa::pictures {

namespace {

std::vector<const Picture*> collectAll() {
    std::vector<const Picture*> list = {
        &kLoginBack,    &kFrame,        &kLoginClose, &kLoginButton,   &kForgetPassword,
        &kQqLogin,      &kSinaLogin,    &kUserReg,    &kLoginErrorTip, &kCheckTick,
        &kSkinFrame2,   &kSkinFrame3,   &kSkinFrame4, &kSkinFrame5,    &kSkinFrame6,
        &kSkinFrame7,   &kSkinDefault,  &kSkinThumb2, &kSkinThumb3,    &kSkinThumb4,
        &kSkinThumb5,   &kSkinThumb6,   &kSkinThumb7, &kSysClose,      &kSysMax,
        &kSysMin,       &kTitleBarMenu, &kSkinButton, &kLogo,          &kToolbarNormal,
        &kToolbarHover, &kToolbarPushed};
    for (const Picture& icon : kToolbarIcons)
        list.push_back(&icon);
    for (const NavButton& button : kNavButtons) {
        list.push_back(&button.leave);
        list.push_back(&button.active);
    }
    list.insert(list.end(), {&kNavDownloadLeaveAlt,
                             &kNavDownloadActiveAlt,
                             &kUploadFile,
                             &kUploadFileEnable,
                             &kMenuPanel,
                             &kNewFolder,
                             &kNewFolderHover,
                             &kHome,
                             &kHomeHover,
                             &kRefresh,
                             &kRefreshHover,
                             &kSearchBar,
                             &kSearchButton,
                             &kBadgeNormal,
                             &kBadgeVip,
                             &kBadgeDirectLink,
                             &kBadgeDirectLinkOff,
                             &kEnlarge,
                             &kCapacityBar,
                             &kSeparator,
                             &kLoading,
                             &kPageLoading,
                             &kPagePanel});
    for (const Picture& icon : kFileIcons)
        list.push_back(&icon);
    list.insert(list.end(),
                {&kDialogSheet, &kShareBanner, &kDirectLinkBanner, &kSkinTitle, &kSkinItemSelect,
                 &kScrollBarLeave, &kScrollBarStay, &kFaceDemo, &kAppIconSvg});
    for (const Picture& icon : kAppIcons)
        list.push_back(&icon);
    return list;
}

}  // namespace

Rect stateRect(const Picture& picture, int state) {
    const int states = std::max(picture.states, 1);
    const int width = picture.width / states;
    const int index = std::clamp(state, 0, states - 1);
    return {index * width, 0, width, picture.height};
}

int fileIconIndex(std::string_view extension) {
    // The return arrow (last position) is never chosen for a file.
    const std::string wanted = "FileIcon/" + std::string(extension) + "-small.png";
    for (int i = 0; i < kReturnIconIndex; ++i) {
        if (kFileIcons[i].path == wanted)
            return i;
    }
    return kUnknownFileIconIndex;
}

std::span<const Picture* const> all() {
    static const std::vector<const Picture*> list = collectAll();
    return list;
}

const Picture* find(std::string_view path) {
    for (const Picture* picture : all()) {
        if (picture->path == path)
            return picture;
    }
    return nullptr;
}

}  // namespace nubexa::pictures
