#include "pages/location_line.h"

#include <algorithm>

#include <QPalette>

#include "app/colour_scheme.h"

namespace nubexa::pages {

namespace {

std::vector<std::string> partsOf(const std::string& path) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start <= path.size()) {
        const std::size_t end = std::min(path.find('\\', start), path.size());
        if (end > start)
            parts.push_back(path.substr(start, end - start));
        start = end + 1;
    }
    return parts;
}

QString link(int depth, const QString& text) {
    // The colour is the palette's link colour, which follows the scheme.
    return QStringLiteral("<a href=\"%1\" style=\"text-decoration: none;\">%2</a>")
        .arg(depth)
        .arg(text.toHtmlEscaped());
}

}  // namespace

LocationLine::LocationLine(QWidget* parent) : QLabel(parent) {
    setAccessibleName(tr("当前位置"));
    app::followColourScheme(this, [this](const app::SchemeColours& c) {
        QPalette colours = palette();
        colours.setColor(QPalette::WindowText, c.link);
        colours.setColor(QPalette::Link, c.link);
        setPalette(colours);
    });
    setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    connect(this, &QLabel::linkActivated, this,
            [this](const QString& href) { emit partClicked(href.toInt()); });
}

void LocationLine::showText(const QString& text) {
    m_shown = text;
    setTextFormat(Qt::PlainText);
    setText(text);
}

void LocationLine::showPath(const std::string& path, const std::vector<std::string>& folderIds) {
    const std::vector<std::string> parts = partsOf(path);
    if (parts.size() != folderIds.size() || parts.empty()) {
        showText(QString::fromStdString(path));
        return;
    }
    m_shown = QString::fromStdString(path);
    // Every part but the folder shown leads somewhere.
    QString html = link(0, QStringLiteral("\\"));
    for (std::size_t i = 0; i < parts.size(); ++i) {
        if (i > 0)
            html += QStringLiteral("\\");
        const QString name = QString::fromStdString(parts[i]);
        html += i + 1 == parts.size() ? name.toHtmlEscaped() : link(static_cast<int>(i + 1), name);
    }
    setTextFormat(Qt::RichText);
    setText(html);
}

std::string LocationLine::pathAt(const std::string& path, int depth) {
    const std::vector<std::string> parts = partsOf(path);
    std::string at = "\\";
    for (int i = 0; i < depth && i < static_cast<int>(parts.size()); ++i)
        at += (i > 0 ? "\\" : "") + parts[static_cast<std::size_t>(i)];
    return at;
}

}  // namespace nubexa::pages
