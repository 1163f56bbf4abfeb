#include "pages/share_dialogs.h"

#include <QApplication>
#include <QButtonGroup>
#include <QClipboard>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStyledItemDelegate>
#include <QTextEdit>
#include <utility>

#include "app/colour_scheme.h"
#include "app/image_button.h"
#include "app/picture_cache.h"
#include "pages/dialog_checks.h"
#include "picture_catalog.h"

namespace nubexa::pages {

namespace {

constexpr QSize kShareSize{452, 330};
constexpr QSize kEditSize{380, 320};
constexpr QSize kAddressSize{420, 150};
constexpr int kPaneTop = 136;

app::ImageButton* tabButton(app::PictureCache& pictures, const QString& text, int x,
                            QWidget* parent) {
    using Face = app::ImageButton::Face;
    auto* tab = new app::ImageButton(pictures, text, parent);
    tab->setText(text);
    tab->setCheckable(true);
    tab->setTextColor(QColor(0x33, 0x33, 0x33));
    tab->setFaces(Face::part(pictures::kDialogSheet, pictures::kDialogTabNormal),
                  Face::part(pictures::kDialogSheet, pictures::kDialogTabHover),
                  Face::part(pictures::kDialogSheet, pictures::kDialogTabSelected),
                  Face::part(pictures::kDialogSheet, pictures::kDialogTabSelected));
    tab->setGeometry(x, 100, pictures::kDialogTabNormal.width, pictures::kDialogTabNormal.height);
    tab->setHandCursor();
    return tab;
}

}  // namespace

ShareDialog::ShareDialog(DialogContext context, DiskSelection item, bool keepSettings,
                         QWidget* parent)
    : ItemDialog(std::move(context), std::move(item), tr("启用外链分享"), kShareSize, parent),
      m_keepSettings(keepSettings) {
    addBanner(pictures::kShareBanner);
    auto* tabs = new QButtonGroup(this);
    app::ImageButton* linkTab = tabButton(m_context.pictures, tr("链接分享"), 6, this);
    app::ImageButton* emailTab = tabButton(m_context.pictures, tr("邮件分享"), 104, this);
    app::ImageButton* moreTab = tabButton(m_context.pictures, tr("更多分享"), 202, this);
    moreTab->setCheckable(false);
    tabs->addButton(linkTab);
    tabs->addButton(emailTab);
    linkTab->setChecked(true);
    connect(linkTab, &QAbstractButton::clicked, this, [this] { showTab(Tab::kLink); });
    connect(emailTab, &QAbstractButton::clicked, this, [this] { showTab(Tab::kEmail); });
    connect(moreTab, &QAbstractButton::clicked, this,
            [this] { say(QT_TRANSLATE_NOOP("Messages", "敬请期待")); });

    m_linkPane = new QWidget(this);
    m_linkPane->setGeometry(0, kPaneTop, width(), 140);
    m_plain = new QRadioButton(tr("默认直接启用外链分享，获取外链地址"), m_linkPane);
    m_plain->setAccessibleName(m_plain->text());
    m_plain->setGeometry(20, 4, 400, 22);
    m_plain->setChecked(true);
    m_advancedChoice = new QRadioButton(tr("高级选项(可设置外链密码及分享积分)"), m_linkPane);
    m_advancedChoice->setAccessibleName(m_advancedChoice->text());
    m_advancedChoice->setGeometry(20, 30, 400, 22);
    connect(m_advancedChoice, &QRadioButton::toggled, this, [this](bool on) { setAdvanced(on); });

    m_advanced = new QWidget(m_linkPane);
    m_advanced->setGeometry(0, 56, width(), 80);
    auto* passwordLabel = new QLabel(tr("密码："), m_advanced);
    passwordLabel->setGeometry(40, 4, 90, 26);
    m_password = new QLineEdit(m_advanced);
    m_password->setAccessibleName(tr("分享密码"));
    m_password->setObjectName(QStringLiteral("分享密码"));
    m_password->setMaxLength(259);
    m_password->setGeometry(130, 4, 150, 26);
    auto* pointsLabel = new QLabel(tr("下载资源分："), m_advanced);
    pointsLabel->setGeometry(40, 38, 90, 26);
    m_points = new QComboBox(m_advanced);
    m_points->setAccessibleName(tr("下载资源分"));
    m_points->setGeometry(130, 38, 60, 26);
    for (int points = 0; points <= 5; ++points)
        m_points->addItem(QString::number(points));
    // Entries drawn by the view's rules (the dialog's colours), not as a menu of the style.
    m_points->setItemDelegate(new QStyledItemDelegate(m_points));
    auto* note = new QLabel(tr("用户下载此资源，你将获得的积分"), m_advanced);
    note->setGeometry(200, 38, 230, 26);
    app::setSchemeStyleSheet(note, [](const app::SchemeColours& c) {
        return QStringLiteral("color: %1;").arg(c.mutedText.name());
    });
    m_advanced->hide();

    m_emailPane = new QWidget(this);
    m_emailPane->setGeometry(0, kPaneTop, width(), 140);
    auto* emailLabel =
        new QLabel(tr("请输入邮箱地址(多邮箱地址用逗号(,)隔开，单词最多5个邮箱)："), m_emailPane);
    emailLabel->setGeometry(20, 0, 420, 22);
    m_addresses = new QTextEdit(m_emailPane);
    m_addresses->setAccessibleName(tr("邮箱地址"));
    m_addresses->setObjectName(QStringLiteral("邮箱地址"));
    m_addresses->setGeometry(20, 24, 412, 110);
    m_emailPane->hide();

    addOkCancel([this] { confirm(); });
    // Which item is shared, in the free corner left of the buttons.
    QLabel* named = addLabel({}, {20, height() - 40, 240, 26});
    named->setText(named->fontMetrics().elidedText(
        tr("分享：%1").arg(QString::fromStdString(m_item.name + m_item.ext)), Qt::ElideMiddle,
        named->width()));
    named->setToolTip(QString::fromStdString(m_item.name + m_item.ext));
    named->setAccessibleName(tr("分享的文件"));

    const DiskOperations& disk = m_context.disk;
    runRequest<ServiceResult<std::string>>(
        [&disk, item = itemRef()] { return disk.emailShareInfo(item); },
        [this](ServiceResult<std::string> notice) { applyInfo(notice); });
}

void ShareDialog::applyInfo(const ServiceResult<std::string>& notice) {
    m_infoLoaded = true;
    // The sample message the user sends or edits: the service's share notice.
    m_addresses->setPlaceholderText(QString::fromStdString(notice.value));
    if (!m_keepSettings)
        return;
    // Shared again from empty fields, the share would lose its code unseen.
    if (!notice.ok()) {
        say(failureText({notice.failure, notice.message},
                        QT_TRANSLATE_NOOP("Messages", "未能读取分享设置")));
        return;
    }
    const std::string password = sharePasswordOf(notice.value);
    if (!password.empty()) {
        m_advancedChoice->setChecked(true);
        m_password->setText(QString::fromStdString(password));
    }
}

void ShareDialog::showTab(Tab tab) {
    m_tab = tab;
    m_linkPane->setVisible(tab == Tab::kLink);
    m_emailPane->setVisible(tab == Tab::kEmail);
}

void ShareDialog::setAdvanced(bool advanced) {
    m_advanced->setVisible(advanced);
}

void ShareDialog::confirm() {
    const DiskOperations& disk = m_context.disk;
    const ItemRef item = itemRef();
    using Answer = std::pair<std::string, ServiceVerdict>;
    std::function<Answer()> work;
    if (m_tab == Tab::kEmail) {
        const std::string addresses = m_addresses->toPlainText().trimmed().toStdString();
        if (const Refusal refusal = checkEmailShare(disk.account().vip, addresses)) {
            say(*refusal);
            return;
        }
        work = [&disk, item, addresses] {
            Answer answer;
            answer.first = disk.emailShare(item, addresses, &answer.second);
            return answer;
        };
    } else {
        const bool advanced = m_advancedChoice->isChecked();
        const std::string password = advanced ? fieldText(m_password) : std::string();
        const std::string points = advanced ? m_points->currentText().toStdString() : "0";
        work = [&disk, item, password, points] {
            Answer answer;
            answer.first = disk.share(item, password, points, &answer.second);
            return answer;
        };
    }
    const bool byLink = m_tab == Tab::kLink;
    runRequest<Answer>(std::move(work), [this, byLink](Answer answer) {
        if (answer.second.networkFailed()) {
            say(kNetworkFailed);
            return;
        }
        const ShareOutcome outcome = shareOutcome(answer.first);
        if (!outcome.shared) {
            say(outcome.message);
            return;
        }
        succeed(outcome.message);
        if (byLink)
            emit sharedByLink();
    });
}

ShareEditDialog::ShareEditDialog(DialogContext context, DiskSelection item, QWidget* parent)
    : ItemDialog(std::move(context), std::move(item), tr("编辑外链分享"), kEditSize, parent) {
    addBanner(pictures::kShareBanner)->setFixedHeight(75);
    addLabel(tr("继续分享：") + QString::fromStdString(m_item.name + m_item.ext),
             {20, 100, 340, 26});
    auto* yes = new QRadioButton(tr("是"), this);
    yes->setAccessibleName(tr("是"));
    yes->setGeometry(40, 140, 60, 24);
    yes->setChecked(true);
    auto* no = new QRadioButton(tr("否"), this);
    no->setAccessibleName(tr("否"));
    no->setGeometry(120, 140, 60, 24);
    QPushButton* next = addButton(tr("下一步"), {width() - 92, height() - 42, 80, 30});
    connect(next, &QPushButton::clicked, this, [this, yes] {
        accept();
        if (yes->isChecked())
            emit nextRequested();
    });
}

ShareAddressDialog::ShareAddressDialog(DialogContext context, DiskSelection item, QWidget* parent)
    : ItemDialog(std::move(context), std::move(item), tr("查看外链分享地址"), kAddressSize,
                 parent) {
    addLabel(tr("分享地址："), {20, 24, 80, 28});
    m_address = addEdit(tr("分享地址"), {100, 24, 300, 28});
    m_address->setReadOnly(true);
    m_address->setMaxLength(32767);
    // Without its code a protected share's address opens nothing.
    addLabel(tr("提取码："), {20, 60, 80, 28});
    m_code = addEdit(tr("提取码"), {100, 60, 120, 28});
    m_code->setReadOnly(true);
    m_code->setPlaceholderText(tr("无"));
    QPushButton* copy = addButton(tr("复制链接"), {width() - 112, height() - 42, 100, 30});
    connect(copy, &QPushButton::clicked, this, [this] {
        m_address->selectAll();
        QApplication::clipboard()->setText(copiedText(m_address->text(), m_code->text()));
        say(QT_TRANSLATE_NOOP("Messages", "复制成功"));
    });
    const DiskOperations& disk = m_context.disk;
    using Shared = std::pair<ServiceResult<std::string>, ServiceResult<std::string>>;
    runRequest<Shared>(
        [&disk, item = itemRef()] {
            Shared shared{disk.shareLink(item), {}};
            if (shared.first.ok())
                shared.second = disk.emailShareInfo(item);
            return shared;
        },
        [this](Shared shared) {
            const auto& [address, notice] = shared;
            // Without its code the address opens nothing: both or neither.
            if (!address.ok() || !notice.ok()) {
                const auto& failed = address.ok() ? notice : address;
                say(failureText({failed.failure, failed.message},
                                QT_TRANSLATE_NOOP("Messages", "未能读取分享地址")));
            } else {
                m_address->setText(QString::fromStdString(address.value));
                m_address->setCursorPosition(0);
                m_code->setText(QString::fromStdString(sharePasswordOf(notice.value)));
            }
            m_loaded = true;
        });
}

QString ShareAddressDialog::address() const {
    return m_address->text();
}

QString ShareAddressDialog::code() const {
    return m_code->text();
}

QString ShareAddressDialog::copiedText(const QString& address, const QString& code) {
    if (code.isEmpty())
        return address;
    return tr("%1 提取码：%2").arg(address, code);
}

}  // namespace nubexa::pages
