#include "pages/link_dialogs.h"

#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <algorithm>

#include "app/colour_scheme.h"
#include "app/picture_cache.h"
#include "pages/dialog_checks.h"
#include "picture_catalog.h"

namespace nubexa::pages {

namespace {

constexpr QSize kLinkSize{452, 330};
constexpr QSize kViewSize{420, 150};

// The custom part of a link name that already carries the service's prefix.
std::string customPart(const std::string& link, const std::string& prefix) {
    if (!prefix.empty() && link.rfind(prefix, 0) == 0)
        return link.substr(prefix.size());
    return link;
}

}  // namespace

DirectLinkDialog::DirectLinkDialog(DialogContext context, DiskSelection item, bool filled,
                                   QWidget* parent)
    : ItemDialog(std::move(context), std::move(item), tr("启用文件直链"), kLinkSize, parent),
      m_filled(filled) {
    addBanner(pictures::kDirectLinkBanner);

    addLabel(tr("直链地址(可以修改自定义)："), {20, 104, 300, 24});
    // The custom part follows the prefix directly, as the address will read.
    const QString prefixText = QString::fromStdString(m_context.directLinkPrefix);
    const int prefixWidth = std::min(fontMetrics().horizontalAdvance(prefixText) + 4, 300);
    QLabel* prefix = addLabel(prefixText, {20, 132, prefixWidth, 28});
    app::setSchemeStyleSheet(prefix, [](const app::SchemeColours& c) {
        return QStringLiteral("color: %1;").arg(c.link.name());
    });
    m_custom = addEdit(tr("自定义地址"), {20 + prefixWidth, 132, width() - 40 - prefixWidth, 28});

    addLabel(tr("是否启用白名单防盗链技术："), {20, 168, 200, 24});
    auto* off = new QRadioButton(tr("否"), this);
    off->setAccessibleName(tr("不启用白名单"));
    off->setGeometry(220, 168, 50, 24);
    off->setChecked(true);
    m_whitelist = new QRadioButton(tr("是"), this);
    m_whitelist->setAccessibleName(tr("启用白名单"));
    m_whitelist->setGeometry(280, 168, 50, 24);

    m_domainPane = new QWidget(this);
    m_domainPane->setGeometry(0, 196, width(), 70);
    auto* domainLabel = new QLabel(tr("请输入直链可使用域名，多个域名请使用，隔开"), m_domainPane);
    domainLabel->setGeometry(20, 0, 400, 24);
    m_domains = new QLineEdit(m_domainPane);
    m_domains->setAccessibleName(tr("白名单域名"));
    m_domains->setObjectName(QStringLiteral("白名单域名"));
    m_domains->setMaxLength(259);
    m_domains->setGeometry(20, 28, 412, 28);
    m_domainPane->hide();
    connect(m_whitelist, &QRadioButton::toggled, m_domainPane, &QWidget::setVisible);

    addOkCancel([this] { confirm(); });

    const DiskOperations& disk = m_context.disk;
    runRequest<ServiceResult<Settings>>(
        [&disk, id = m_item.id] { return disk.directLinkInfo(id); },
        [this](ServiceResult<Settings> settings) { applySettings(settings); });
}

void DirectLinkDialog::applySettings(const ServiceResult<Settings>& settings) {
    m_loaded = true;
    if (!m_filled)
        return;
    // Edited from empty fields, the link would lose its name and its white list unseen.
    if (!settings.ok()) {
        say(failureText({settings.failure, settings.message},
                        QT_TRANSLATE_NOOP("Messages", "未能读取直链设置")));
        return;
    }
    m_custom->setText(
        QString::fromStdString(customPart(settings.value.link, m_context.directLinkPrefix)));
    if (!settings.value.domains.empty()) {
        m_whitelist->setChecked(true);
        m_domains->setText(QString::fromStdString(settings.value.domains));
    }
}

void DirectLinkDialog::confirm() {
    const DiskOperations& disk = m_context.disk;
    const std::string custom = fieldText(m_custom);
    const bool whitelist = m_whitelist->isChecked();
    const std::string domains = whitelist ? fieldText(m_domains) : std::string();
    if (const Refusal refusal = checkDirectLink(disk.account().wip, custom, whitelist, domains)) {
        say(*refusal);
        return;
    }
    runRequest<ServiceVerdict>(
        [&disk, id = m_item.id, custom, domains] {
            return disk.setDirectLink(id, custom, domains);
        },
        [this](const ServiceVerdict& verdict) {
            if (verdict.accepted())
                succeed(QT_TRANSLATE_NOOP("Messages", "直链启用成功"));
            else
                say(failureText(verdict, QT_TRANSLATE_NOOP("Messages", "直链启用失败")));
        });
}

ViewLinkDialog::ViewLinkDialog(DialogContext context, DiskSelection item, QWidget* parent)
    : ItemDialog(std::move(context), std::move(item), tr("查看文件直链"), kViewSize, parent) {
    addLabel(tr("直链地址："), {20, 30, 80, 28});
    m_link = addEdit(tr("直链地址"), {100, 30, 300, 28});
    m_link->setReadOnly(true);
    m_link->setMaxLength(32767);
    addOkCancel([this] { accept(); }, false);
    const DiskOperations& disk = m_context.disk;
    runRequest<ServiceResult<std::string>>(
        [&disk, id = m_item.id] { return disk.directLink(id); },
        [this](ServiceResult<std::string> link) {
            if (!link.ok())
                say(failureText({link.failure, link.message},
                                QT_TRANSLATE_NOOP("Messages", "未能读取直链地址")));
            m_link->setText(QString::fromStdString(link.value));
        });
}

QString ViewLinkDialog::link() const {
    return m_link->text();
}

}  // namespace nubexa::pages
