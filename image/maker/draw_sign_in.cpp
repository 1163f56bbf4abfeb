// The sign-in window: background, frame, buttons and the error tip.
#include "families.h"
#include "paint_kit.h"

namespace nubexa::maker {

namespace pic = nubexa::pictures;

namespace {

constexpr int kHeaderHeight = 96;

void header(QPainter& p, int width, PictureWriter& writer) {
    QLinearGradient fill(0, 0, width, kHeaderHeight);
    fill.setColorAt(0, kBrandLight);
    fill.setColorAt(1, kBrandDark);
    p.fillRect(QRectF(0, 0, width, kHeaderHeight), fill);
    // Soft circles give the flat header some depth without competing with the text.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, 22));
    p.drawEllipse(QPointF(width - 70, 10), 90, 90);
    p.drawEllipse(QPointF(40, kHeaderHeight + 10), 60, 60);
    const QImage mark = writer.renderSvg(QStringLiteral("icons/nubexa-client.svg"), 44, 44);
    const QString title = qs("Nubexa网盘");
    const QFont font = textFont(24, true);
    const int textWidth = QFontMetrics(font).horizontalAdvance(title);
    const int left = (width - 44 - 10 - textWidth) / 2;
    p.drawImage(left, 26, mark);
    p.setFont(font);
    p.setPen(Qt::white);
    p.drawText(QRectF(left + 54, 20, textWidth + 4, 56), Qt::AlignVCenter | Qt::AlignLeft, title);
}

void fieldBox(QPainter& p, const QRectF& box) {
    card(p, box, kPaper, kLine, 5);
}

void userGlyph(QPainter& p, const QRectF& b) {
    p.drawEllipse(QRectF(b.center().x() - 4, b.top(), 8, 8));
    p.drawArc(QRectF(b.left() + 1, b.top() + 10, b.width() - 2, 14), 0, 180 * 16);
}

void lockGlyph(QPainter& p, const QRectF& b) {
    p.drawRoundedRect(QRectF(b.left() + 2, b.top() + 8, b.width() - 4, 10), 2, 2);
    p.drawArc(QRectF(b.center().x() - 5, b.top(), 10, 14), 0, 180 * 16);
}

QImage background(PictureWriter& writer) {
    QImage image = canvas(pic::kLoginBack);
    QPainter p(&image);
    prepare(p);
    p.fillRect(area(image), Qt::white);
    header(p, area(image).width(), writer);

    // Boxes around the two borderless edits (163, 116 and 163, 176; 255 x 33).
    fieldBox(p, QRectF(153, 113, 273, 39));
    fieldBox(p, QRectF(153, 173, 273, 39));
    p.setPen(QPen(kInkSoft, 1.6));
    p.setBrush(Qt::NoBrush);
    userGlyph(p, QRectF(128, 121, 16, 24));
    lockGlyph(p, QRectF(128, 181, 16, 20));

    // Labels beside the two check boxes at (163, 287) and (310, 287).
    p.setFont(textFont(12));
    p.setPen(kInkSoft);
    fittedText(p, QRectF(182, 284, 120, 20), Qt::AlignLeft | Qt::AlignVCenter, qs("记住密码"));
    fittedText(p, QRectF(329, 284, 120, 20), Qt::AlignLeft | Qt::AlignVCenter, qs("自动登录"));

    // A divider above the other ways to sign in.
    const QString other = qs("其他方式登录");
    const QFont small = textFont(11);
    const int otherWidth = QFontMetrics(small).horizontalAdvance(other);
    const qreal mid = area(image).width() / 2.0;
    p.setPen(QPen(kLine, 1));
    p.drawLine(QPointF(70, 322.5), QPointF(mid - otherWidth / 2.0 - 10, 322.5));
    p.drawLine(QPointF(mid + otherWidth / 2.0 + 10, 322.5),
               QPointF(area(image).width() - 70, 322.5));
    p.setFont(small);
    p.setPen(kInkSoft);
    p.drawText(QRectF(mid - otherWidth / 2.0 - 2, 314, otherWidth + 4, 18), Qt::AlignCenter, other);
    return image;
}

QImage frame() {
    // A hairline edge with a light top highlight; the inside stays clear so any background shows.
    QImage image = canvas(pic::kFrame);
    QPainter p(&image);
    prepare(p);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(0, 0, 0, 70), 1));
    p.drawPath(rounded(area(image).adjusted(0.5, 0.5, -0.5, -0.5), 9));
    p.setPen(QPen(QColor(255, 255, 255, 60), 1));
    p.drawLine(QPointF(10, 1.5), QPointF(area(image).width() - 10, 1.5));
    return image;
}

QImage closeButton() {
    QImage image = canvas(pic::kLoginClose);
    QPainter p(&image);
    prepare(p);
    p.setPen(QPen(Qt::white, 1.6, Qt::SolidLine, Qt::RoundCap));
    glyphCross(p, QRectF(15, 7.5, 10, 10));
    return image;
}

QImage primaryButton(const pic::Picture& picture, const char* text) {
    QImage image = canvas(picture);
    QPainter p(&image);
    prepare(p);
    QLinearGradient fill(0, 0, 0, picture.height);
    fill.setColorAt(0, kBrandLight);
    fill.setColorAt(1, kBrand);
    p.setPen(Qt::NoPen);
    p.setBrush(fill);
    p.drawPath(rounded(area(image), 6));
    centredText(p, area(image), qs(text), Qt::white, textFont(16, true));
    return image;
}

enum class SignInGlyph { Chat, Broadcast, AddPerson };

void drawGlyph(QPainter& p, SignInGlyph glyph, const QRectF& b) {
    p.setPen(QPen(kBrand, 1.7, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    switch (glyph) {
        case SignInGlyph::Chat: {
            p.drawRoundedRect(b.adjusted(0, 0, 0, -4), 3, 3);
            p.drawLine(QPointF(b.left() + 4, b.bottom() - 4), QPointF(b.left() + 3, b.bottom()));
            break;
        }
        case SignInGlyph::Broadcast: {
            p.drawEllipse(QRectF(b.center().x() - 2, b.center().y() - 2, 4, 4));
            p.drawArc(b.adjusted(3, 3, -3, -3), -45 * 16, 90 * 16);
            p.drawArc(b.adjusted(3, 3, -3, -3), 135 * 16, 90 * 16);
            p.drawArc(b, -45 * 16, 90 * 16);
            p.drawArc(b, 135 * 16, 90 * 16);
            break;
        }
        case SignInGlyph::AddPerson: {
            p.drawEllipse(QRectF(b.left() + 2, b.top(), 7, 7));
            p.drawArc(QRectF(b.left(), b.top() + 9, 11, 12), 0, 180 * 16);
            p.drawLine(QPointF(b.right() - 3, b.top() + 5), QPointF(b.right() - 3, b.top() + 11));
            p.drawLine(QPointF(b.right() - 6, b.top() + 8), QPointF(b.right(), b.top() + 8));
            break;
        }
    }
}

QImage secondaryButton(const pic::Picture& picture, const char* text, SignInGlyph glyph) {
    QImage image = canvas(picture);
    QPainter p(&image);
    prepare(p);
    card(p, area(image), Qt::white, kLine, 6);
    const QFont font = textFont(14);
    const QString label = qs(text);
    const int textWidth = QFontMetrics(font).horizontalAdvance(label);
    const qreal left = (picture.width - 16 - 6 - textWidth) / 2.0;
    drawGlyph(p, glyph, QRectF(left, picture.height / 2.0 - 8, 16, 16));
    p.setFont(font);
    p.setPen(kInk);
    p.drawText(QRectF(left + 22, 0, textWidth + 2, picture.height), Qt::AlignVCenter, label);
    return image;
}

QImage forgetPassword() {
    QImage image = canvas(pic::kForgetPassword);
    QPainter p(&image);
    prepare(p);
    centredText(p, area(image), qs("忘记密码"), kBrand, textFont(12));
    return image;
}

QImage errorTip() {
    QImage image = canvas(pic::kLoginErrorTip);
    QPainter p(&image);
    prepare(p);
    // A tip with a notch pointing left, at the password field.
    QPainterPath shape =
        rounded(QRectF(6.5, 0.5, area(image).width() - 7, area(image).height() - 1), 5);
    QPainterPath notch;
    notch.moveTo(7, 11);
    notch.lineTo(0.5, 16.5);
    notch.lineTo(7, 22);
    shape = shape.united(notch);
    p.setPen(QPen(QColor(0xF2, 0xA7, 0xA9), 1));
    p.setBrush(QColor(0xFD, 0xEC, 0xEC));
    p.drawPath(shape);
    p.setPen(Qt::NoPen);
    p.setBrush(kDanger);
    p.drawEllipse(QRectF(14, 9.5, 14, 14));
    centredText(p, QRectF(14, 9.5, 14, 14), QStringLiteral("!"), Qt::white, textFont(11, true));
    p.setFont(textFont(12));
    p.setPen(QColor(0xB4, 0x23, 0x28));
    fittedText(p, QRectF(33, 0, area(image).width() - 36, area(image).height()), Qt::AlignVCenter,
               qs("账号或密码错误"));
    return image;
}

}  // namespace

bool drawSignIn(PictureWriter& writer) {
    return writer.save(pic::kLoginBack, background(writer)) && writer.save(pic::kFrame, frame()) &&
           writer.save(pic::kLoginClose, closeButton()) &&
           writer.save(pic::kLoginButton, primaryButton(pic::kLoginButton, "登录")) &&
           writer.save(pic::kQqLogin,
                       secondaryButton(pic::kQqLogin, "QQ登录", SignInGlyph::Chat)) &&
           writer.save(pic::kSinaLogin,
                       secondaryButton(pic::kSinaLogin, "微博登录", SignInGlyph::Broadcast)) &&
           writer.save(pic::kUserReg,
                       secondaryButton(pic::kUserReg, "注册账号", SignInGlyph::AddPerson)) &&
           writer.save(pic::kForgetPassword, forgetPassword()) &&
           writer.save(pic::kLoginErrorTip, errorTip()) &&
           writer.copySource(pic::kCheckTick, QStringLiteral("icons/check-tick.svg"));
}

}  // namespace nubexa::maker
