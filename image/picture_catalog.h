// The one table of every picture the desktop client loads from the folder "image" beside the
// program: relative path ("/" separated, case-sensitive), the size the windows expect and, for
// sheets of button states laid side by side, the number of states. The picture maker draws exactly
// these files and the tests check them, so the GUI, the maker and the tests cannot drift apart.
// Plain C++ (no Qt) so that any target can use it.
#pragma once

#include <cstddef>
#include <iterator>
#include <span>
#include <string_view>

namespace nubexa::pictures {

struct Rect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

// Margins of a picture that stretches as a nine-patch: the outer bands keep their size, the
// middle stretches. The picture is uniform inside its middle band so that it stretches cleanly.
struct NinePatch {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
};

struct Picture {
    const char* path;  // relative to the image folder
    int width;         // whole file
    int height;
    int states = 1;  // > 1: normal, hover, pressed side by side, each width / states wide
};

// Rectangle of one state (0 normal, 1 hover, 2 pressed) of a state sheet; the whole picture
// for a single-state picture. Out-of-range states give the last state.
Rect stateRect(const Picture& picture, int state);

// --- Sign-in window (579 x 410) ---
inline constexpr Picture kLoginBack{"skin/loginBackImage.png", 579, 410};
inline constexpr Picture kFrame{"skin/framemod_sim.png", 579, 410};  // client frame, both windows
inline constexpr NinePatch kFrameMargins{12, 48, 122, 166};
inline constexpr Picture kLoginClose{"skin/loginClose.png", 40, 25};
inline constexpr Picture kLoginButton{"skin/lobin_btn.png", 120, 40};
inline constexpr Picture kForgetPassword{"skin/forgetPassword.png", 54, 16};
inline constexpr Picture kQqLogin{"skin/QQLogin.png", 120, 40};
inline constexpr Picture kSinaLogin{"skin/sinaLogin.png", 120, 40};
inline constexpr Picture kUserReg{"skin/userReg.png", 120, 40};
inline constexpr Picture kLoginErrorTip{"skin/loginErrorTip.png", 147, 33};
// The tick of a checked box: an SVG, sharp at any scale.
inline constexpr Picture kCheckTick{"skin/checkTick.svg", 13, 13};

// --- Main window (890 x 600): skins, title bar, logo ---
inline constexpr Picture kSkinDefault{"skin/bg.jpg", 890, 600};  // also its own thumbnail
inline constexpr Picture kSkinFrame2{"skin/frame2.jpg", 890, 600};
inline constexpr Picture kSkinFrame3{"skin/frame3.jpg", 890, 600};
inline constexpr Picture kSkinFrame4{"skin/frame4.jpg", 890, 600};
inline constexpr Picture kSkinFrame5{"skin/frame5.jpg", 890, 600};
inline constexpr Picture kSkinFrame6{"skin/frame6.jpg", 890, 600};
inline constexpr Picture kSkinFrame7{"skin/frame7.jpg", 890, 600};
inline constexpr Picture kSkinThumb2{"skin/skin2.jpg", 97, 62};
inline constexpr Picture kSkinThumb3{"skin/skin3.jpg", 97, 62};
inline constexpr Picture kSkinThumb4{"skin/skin4.jpg", 97, 62};
inline constexpr Picture kSkinThumb5{"skin/skin5.jpg", 97, 62};
inline constexpr Picture kSkinThumb6{"skin/skin6.jpg", 97, 62};
inline constexpr Picture kSkinThumb7{"skin/skin7.jpg", 97, 62};

struct Skin {
    const char* name;  // UTF-8, as the skin chooser lists it
    const Picture* thumbnail;
    const Picture* background;
};
inline constexpr Skin kSkins[] = {
    {"默认皮肤", &kSkinDefault, &kSkinDefault}, {"优雅爵士", &kSkinThumb2, &kSkinFrame2},
    {"神秘星空", &kSkinThumb3, &kSkinFrame3},   {"粉色之恋", &kSkinThumb4, &kSkinFrame4},
    {"奋斗的小鸟", &kSkinThumb5, &kSkinFrame5}, {"青青世界", &kSkinThumb6, &kSkinFrame6},
    {"古典木纹", &kSkinThumb7, &kSkinFrame7},
};
inline constexpr std::size_t kSkinCount = std::size(kSkins);
// The picture a fresh main window starts with ("古典木纹").
inline constexpr const Picture* kSignedInBackground = &kSkinFrame7;

inline constexpr Picture kSysClose{"sys_button_close.png", 141, 22, 3};
inline constexpr Picture kSysMax{"sys_button_max.png", 99, 22, 3};
inline constexpr Picture kSysMin{"sys_button_min.png", 99, 22, 3};
inline constexpr Picture kTitleBarMenu{"title_bar_menu.png", 99, 22, 3};
inline constexpr Picture kSkinButton{"SkinButtom.png", 66, 18, 3};
inline constexpr Picture kLogo{"logo.png", 172, 65};

// --- Toolbar: button faces 76 x 76 and the six icons in button order ---
inline constexpr Picture kToolbarNormal{"toolBar/toolbar_normal.png", 76, 76};
inline constexpr Picture kToolbarHover{"toolBar/toolbar_hover.png", 76, 76};
inline constexpr Picture kToolbarPushed{"toolBar/toolbar_pushed.png", 76, 76};
inline constexpr Picture kToolbarIcons[] = {
    {"toolBar/mydisk.png", 40, 40}, {"toolBar/choudao.png", 40, 40},
    {"toolBar/quanzi.png", 40, 40}, {"toolBar/friends.png", 40, 40},
    {"toolBar/ziyuan.png", 40, 40}, {"toolBar/web.png", 40, 40},
};

// --- Disk page: navigation buttons (162 x 30) in page order 1..7 ---
struct NavButton {
    const char* label;  // UTF-8, the text drawn on both faces
    Picture leave;
    Picture active;
};
inline constexpr NavButton kNavButtons[] = {
    {"我的网盘",
     {"publicImage/leftMyDisk_leave.png", 162, 30},
     {"publicImage/leftMyDisk_active.png", 162, 30}},
    {"我的外链",
     {"publicImage/leftMyExtLink_leave.png", 162, 30},
     {"publicImage/leftMyExtLink_active.png", 162, 30}},
    {"我的直链",
     {"publicImage/leftMyLink_leave.png", 162, 30},
     {"publicImage/leftMyLink_active.png", 162, 30}},
    {"回收站",
     {"publicImage/leftMyTrash_leave.png", 162, 30},
     {"publicImage/leftMyTrash_active.png", 162, 30}},
    {"最近上传",
     {"publicImage/leftMyLatestFile_leave.png", 162, 30},
     {"publicImage/leftMyLatestFile_active.png", 162, 30}},
    {"正在上传",
     {"publicImage/leftMyUploadNow_leave.png", 162, 30},
     {"publicImage/leftMyUploadNow_active.png", 162, 30}},
    {"正在下载",
     {"publicImage/leftMyDownLoadNow_leave.png", 162, 30},
     {"publicImage/leftMyDownLoadNow_active.png", 162, 30}},
};
// The downloading page is also named with a lower-case "load"; both files exist.
inline constexpr Picture kNavDownloadLeaveAlt{"publicImage/leftMyDownloadNow_leave.png", 162, 30};
inline constexpr Picture kNavDownloadActiveAlt{"publicImage/leftMyDownloadNow_active.png", 162, 30};

// --- Disk page: buttons, search, user panel ---
inline constexpr Picture kUploadFile{"publicImage/rightUploadFile.png", 100, 30};
inline constexpr Picture kUploadFileEnable{"publicImage/rightUploadFile-enable.png", 100, 30};
// Panel behind the three small buttons (placed at x 12, 52, 92, y 8 on it).
inline constexpr Picture kMenuPanel{"publicImage/rightMenuPanl.png", 122, 29};
inline constexpr Picture kNewFolder{"publicImage/rightOpenFile.png", 18, 13};
inline constexpr Picture kNewFolderHover{"publicImage/rightOpenFile-hover.png", 18, 13};
inline constexpr Picture kHome{"publicImage/rightHome.png", 18, 13};
inline constexpr Picture kHomeHover{"publicImage/rightHome-hover.png", 18, 13};
inline constexpr Picture kRefresh{"publicImage/rightRefresh.png", 18, 13};
inline constexpr Picture kRefreshHover{"publicImage/rightRefresh-hover.png", 18, 13};
inline constexpr Picture kSearchBar{"publicImage/RightSearchBar.png", 256, 28};
inline constexpr Picture kSearchButton{"publicImage/searchButton.png", 40, 30};
inline constexpr Picture kBadgeNormal{"publicImage/putong.png", 35, 18};
inline constexpr Picture kBadgeVip{"publicImage/vip.png", 35, 18};
inline constexpr Picture kBadgeDirectLink{"publicImage/zhilian.png", 35, 18};
inline constexpr Picture kBadgeDirectLinkOff{"publicImage/zhilian-enable.png", 35, 18};
inline constexpr Picture kEnlarge{"publicImage/kuorong.png", 35, 18};
inline constexpr Picture kCapacityBar{"publicImage/rongliang.png", 162, 14};
inline constexpr Picture kSeparator{"publicImage/line.png", 188, 1};
inline constexpr Picture kLoading{"publicImage/loading.png", 204, 54};  // the web sign-in's wait
inline constexpr Picture kPageLoading{"publicImage/pageLoading.png", 132, 44};  // a listing's
inline constexpr Picture kPagePanel{"publicImage/frame_page1.png", 300, 465};

// --- File icons: the list's image list, in this order (the index is the row's image) ---
// After the return arrow, kinds the first positions leave to the "ai" icon: plain text, binary
// data, anything else.
inline constexpr Picture kFileIcons[] = {
    {"FileIcon/folder_s.png", 32, 32},    {"FileIcon/ai-small.png", 32, 32},
    {"FileIcon/asf-small.png", 32, 32},   {"FileIcon/asp-small.png", 32, 32},
    {"FileIcon/avi-small.png", 32, 32},   {"FileIcon/bmp-small.png", 32, 32},
    {"FileIcon/cab-small.png", 32, 32},   {"FileIcon/cdr-small.png", 32, 32},
    {"FileIcon/doc-small.png", 32, 32},   {"FileIcon/fla-small.png", 32, 32},
    {"FileIcon/gif-small.png", 32, 32},   {"FileIcon/html-small.png", 32, 32},
    {"FileIcon/jpg-small.png", 32, 32},   {"FileIcon/js-small.png", 32, 32},
    {"FileIcon/mdb-small.png", 32, 32},   {"FileIcon/mid-small.png", 32, 32},
    {"FileIcon/mov-small.png", 32, 32},   {"FileIcon/mp3-small.png", 32, 32},
    {"FileIcon/mp4-small.png", 32, 32},   {"FileIcon/mpeg4-small.png", 32, 32},
    {"FileIcon/mpg-small.png", 32, 32},   {"FileIcon/pdf-small.png", 32, 32},
    {"FileIcon/php-small.png", 32, 32},   {"FileIcon/pic-small.png", 32, 32},
    {"FileIcon/png-small.png", 32, 32},   {"FileIcon/ppt-small.png", 32, 32},
    {"FileIcon/pptx-small.png", 32, 32},  {"FileIcon/psd-small.png", 32, 32},
    {"FileIcon/rar-small.png", 32, 32},   {"FileIcon/rm-small.png", 32, 32},
    {"FileIcon/rmvb-small.png", 32, 32},  {"FileIcon/swf-small.png", 32, 32},
    {"FileIcon/tga-small.png", 32, 32},   {"FileIcon/tif-small.png", 32, 32},
    {"FileIcon/world-small.png", 32, 32}, {"FileIcon/xls-small.png", 32, 32},
    {"FileIcon/xlsx-small.png", 32, 32},  {"FileIcon/xml-small.png", 32, 32},
    {"FileIcon/zip-small.png", 32, 32},   {"FileIcon/return-small.png", 32, 32},
    {"FileIcon/txt-small.png", 32, 32},   {"FileIcon/bin-small.png", 32, 32},
    {"FileIcon/file-small.png", 32, 32},
};
inline constexpr int kFolderIconIndex = 0;
inline constexpr int kUnknownFileIconIndex = 1;
inline constexpr int kReturnIconIndex = 39;
inline constexpr int kTextFileIconIndex = 40;
inline constexpr int kBinaryFileIconIndex = 41;
inline constexpr int kOtherFileIconIndex = 42;

// Image index for a file whose extension (without its dot) is `extension`: the position whose
// name is extension + "-small.png" among positions 0..38, compared exactly; 1 when none matches.
int fileIconIndex(std::string_view extension);

// --- Dialogs ---
// Sprite sheet of the dialog faces. Sizes and places inside it are these rectangles.
inline constexpr Picture kDialogSheet{"tc_new_btn.png", 386, 293};
inline constexpr Rect kDialogCancel{306, 263, 80, 30};  // "取消"
inline constexpr Rect kDialogOk{220, 263, 80, 30};      // "确定"
inline constexpr Rect kDialogTabNormal{0, 0, 96, 32};   // tab not selected
inline constexpr Rect kDialogTabHover{96, 0, 96, 32};   // tab under the mouse
inline constexpr Rect kDialogTabSelected{192, 0, 96, 32};
inline constexpr Rect kDialogButtonNormal{0, 40, 80, 30};  // plain face, text drawn by the dialog
inline constexpr Rect kDialogButtonHover{80, 40, 80, 30};
inline constexpr Rect kDialogButtonPressed{160, 40, 80, 30};
inline constexpr Picture kShareBanner{"outLinkAD.jpg", 440, 90};
inline constexpr Picture kDirectLinkBanner{"wipLinkAD.jpg", 440, 90};

// --- Skin chooser (380 x 320) ---
inline constexpr Picture kSkinTitle{"skinDlg/titleBG.png", 360, 25};
inline constexpr Picture kSkinItemSelect{"skinDlg/listView_select.png", 103, 68};
inline constexpr Picture kScrollBarLeave{"skinDlg/ScrollBar_leave.png", 12, 60};
inline constexpr Picture kScrollBarStay{"skinDlg/ScrollBar_stay.png", 12, 60};
inline constexpr NinePatch kScrollBarMargins{1, 14, 10, 40};

// --- Avatar and program icon ---
inline constexpr Picture kFaceDemo{"userFile/faceDemo.png", 42, 42};
inline constexpr Picture kAppIconSvg{"icons/nubexa-client.svg", 256, 256};
inline constexpr Picture kAppIcons[] = {
    {"icons/nubexa-client-16.png", 16, 16},    {"icons/nubexa-client-22.png", 22, 22},
    {"icons/nubexa-client-24.png", 24, 24},    {"icons/nubexa-client-32.png", 32, 32},
    {"icons/nubexa-client-48.png", 48, 48},    {"icons/nubexa-client-64.png", 64, 64},
    {"icons/nubexa-client-128.png", 128, 128}, {"icons/nubexa-client-256.png", 256, 256},
};

// Every picture above, each once (the download button's two spellings included).
std::span<const Picture* const> all();

// The catalog entry for a relative path, or nullptr.
const Picture* find(std::string_view path);

}  // namespace nubexa::pictures
