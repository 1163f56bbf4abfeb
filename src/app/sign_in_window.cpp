#include "app/sign_in_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QStyle>

#include "app/image_button.h"
#include "app/picture_cache.h"
#include "store/user_records.h"

namespace nubexa::app {

QString accountPlaceholder() {
    return SignInWindow::tr(kAccountPlaceholderText);
}

QString passwordPlaceholder() {
    return SignInWindow::tr(kPasswordPlaceholderText);
}

namespace {

const char* const kFieldStyle =
    "QLineEdit { background: transparent; border: none; color: #1d2733; font-size: 15px;"
    " selection-background-color: #2f80ed; padding: 0 6px; }"
    "QLineEdit[placeholderShown=\"true\"] { color: #9aa5b1; }";
const char* const kBoxStyle =
    "QCheckBox::indicator { width: 13px; height: 13px; border: 1px solid #8fa3b8;"
    " border-radius: 3px; background: white; }"
    "QCheckBox::indicator:hover, QCheckBox::indicator:focus { border-color: #2f80ed; }"
    "QCheckBox:focus { background: #e8f1fd; border-radius: 3px; }"
    "QCheckBox::indicator:checked { background: #2f80ed; border-color: #2f80ed;"
    " image: url(\"%1\"); }";

void markPlaceholder(QLineEdit* edit, bool shown) {
    if (edit->property("placeholderShown").toBool() == shown)
        return;
    edit->setProperty("placeholderShown", shown);
    edit->style()->unpolish(edit);
    edit->style()->polish(edit);
}

}  // namespace

SignInWindow::SignInWindow(PictureCache& pictures, QWidget* parent)
    : FramelessWindow(pictures, parent) {
    setWindowTitle(tr(kTitle));
    setAccessibleName(tr(kTitle));
    setGeometry(sign_in_rects::kWindow);
    setFixedSize(sign_in_rects::kWindow.size());
    setBackground(QString::fromLatin1(pictures::kLoginBack.path));
    setFrame(pictures::kFrame, pictures::kFrameMargins);

    auto* close = addButton(tr("关闭"), sign_in_rects::kClose, pictures::kLoginClose);
    connect(close, &QAbstractButton::clicked, this, &SignInWindow::closeClicked);
    auto* signIn = addButton(tr("登录"), sign_in_rects::kSignIn, pictures::kLoginButton);
    connect(signIn, &QAbstractButton::clicked, this, &SignInWindow::signInClicked);

    m_remember = new QCheckBox(this);
    m_remember->setGeometry(sign_in_rects::kRememberPassword);
    m_remember->setAccessibleName(tr("记住密码"));
    m_autoSignIn = new QCheckBox(this);
    m_autoSignIn->setGeometry(sign_in_rects::kAutoSignIn);
    m_autoSignIn->setAccessibleName(tr("自动登录"));
    for (QCheckBox* box : {m_remember, m_autoSignIn}) {
        box->setStyleSheet(QString::fromLatin1(kBoxStyle).arg(
            pictures.imageFolder() + QString::fromLatin1(pictures::kCheckTick.path)));
        box->setCursor(Qt::PointingHandCursor);
    }

    m_account = new QLineEdit(this);
    m_account->setGeometry(sign_in_rects::kAccount);
    m_account->setAccessibleName(tr("账户"));
    m_password = new QLineEdit(this);
    m_password->setGeometry(sign_in_rects::kPassword);
    m_password->setAccessibleName(passwordPlaceholder());
    // The hints are shown as the fields' text until a field takes the focus; then they stay as
    // grey placeholders until the user types.
    m_account->setPlaceholderText(accountPlaceholder());
    m_password->setPlaceholderText(passwordPlaceholder());
    for (QLineEdit* edit : {m_account, m_password}) {
        edit->setFrame(false);
        edit->setStyleSheet(QString::fromLatin1(kFieldStyle));
        edit->installEventFilter(this);
    }
    connect(m_account, &QLineEdit::textChanged, this, [this](const QString& text) {
        markPlaceholder(m_account, text == accountPlaceholder());
    });
    connect(m_password, &QLineEdit::textChanged, this, [this](const QString& text) {
        markPlaceholder(m_password, text == passwordPlaceholder() &&
                                        m_password->echoMode() == QLineEdit::Normal);
    });

    auto* forgot =
        addButton(tr("忘记密码"), sign_in_rects::kForgotPassword, pictures::kForgetPassword);
    connect(forgot, &QAbstractButton::clicked, this, &SignInWindow::forgotPasswordClicked);
    auto* qq = addButton(tr("QQ登录"), sign_in_rects::kQQ, pictures::kQqLogin);
    connect(qq, &QAbstractButton::clicked, this,
            [this] { emit webSignInClicked(QStringLiteral("qq")); });
    auto* sina = addButton(tr("新浪微博登录"), sign_in_rects::kSina, pictures::kSinaLogin);
    connect(sina, &QAbstractButton::clicked, this,
            [this] { emit webSignInClicked(QStringLiteral("sina")); });
    auto* reg = addButton(tr("注册"), sign_in_rects::kRegister, pictures::kUserReg);
    connect(reg, &QAbstractButton::clicked, this, &SignInWindow::registerClicked);
    m_signInButtons = {signIn, qq, sina};

    // Tab goes through the form in reading order.
    const QList<QWidget*> order = {m_account,    m_password, signIn, forgot, m_remember,
                                   m_autoSignIn, qq,         sina,   reg,    close};
    for (qsizetype i = 1; i < order.size(); ++i)
        QWidget::setTabOrder(order[i - 1], order[i]);
    fill(LastSignIn{});
}

ImageButton* SignInWindow::addButton(const QString& name, const QRect& where,
                                     const pictures::Picture& picture) {
    auto* button = new ImageButton(pictureCache(), name, this);
    button->setGeometry(where);
    button->setPicture(picture);
    button->setHandCursor();
    return button;
}

void SignInWindow::fill(const LastSignIn& lastSignIn) {
    const LastUser* last = lastSignIn.user ? &*lastSignIn.user : nullptr;
    // The name the user typed, not the service's number for it (older files know only that).
    const QString name = !last                       ? QString()
                         : last->accountName.empty() ? QString::fromStdString(last->userName)
                                                     : QString::fromStdString(last->accountName);
    const QString password = last ? QString::fromStdString(last->password) : QString();
    if (name.isEmpty()) {
        showAccountPlaceholder();
    } else {
        m_account->setText(name);
    }
    if (password.isEmpty()) {
        showPasswordPlaceholder();
        // Still in the secret store: signing in with it typed again keeps it remembered.
        m_remember->setChecked(lastSignIn.secretStoreFailed());
    } else {
        showPassword(password);
        m_remember->setChecked(true);
    }
    m_autoSignIn->setChecked(false);
    // A new user starts typing the account; a returning one only has the password left to give
    // (or just Enter, when it is remembered). The field starts empty, its hint grey behind it:
    // it may have the focus already (no focus event then clears the hint), and typing must not
    // add to the hint.
    if (name.isEmpty()) {
        m_account->setFocus();
        m_account->clear();
    } else {
        m_password->setFocus();
        if (password.isEmpty())
            showPassword(QString());
    }
}

bool SignInWindow::typedInto() const {
    const QString account = m_account->text();
    const QString password = m_password->text();
    return !(account.isEmpty() || account == accountPlaceholder()) ||
           !(password.isEmpty() || password == passwordPlaceholder());
}

void SignInWindow::showAccountPlaceholder() {
    m_account->setText(accountPlaceholder());
}

void SignInWindow::showPasswordPlaceholder() {
    m_password->setEchoMode(QLineEdit::Normal);
    m_password->setText(passwordPlaceholder());
    markPlaceholder(m_password, true);
}

void SignInWindow::showPassword(const QString& text) {
    m_password->setEchoMode(QLineEdit::Password);
    m_password->setText(text);
    markPlaceholder(m_password, false);
}

bool SignInWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::FocusIn && event->type() != QEvent::FocusOut)
        return FramelessWindow::eventFilter(watched, event);
    const bool gained = event->type() == QEvent::FocusIn;
    if (watched == m_account) {
        const QString text = m_account->text();
        if (gained && (text.isEmpty() || text == accountPlaceholder()))
            m_account->clear();
        if (!gained && text.isEmpty())
            showAccountPlaceholder();
    } else if (watched == m_password) {
        const QString text = m_password->text();
        if (gained && (text.isEmpty() || text == passwordPlaceholder()))
            showPassword(QString());
        if (!gained && text.isEmpty())
            showPasswordPlaceholder();
    }
    return FramelessWindow::eventFilter(watched, event);
}

void SignInWindow::setBusy(bool busy) {
    m_busy = busy;
    for (ImageButton* button : m_signInButtons)
        button->setEnabled(!busy);
    if (busy) {
        setCursor(Qt::BusyCursor);
    } else {
        unsetCursor();
    }
}

void SignInWindow::showErrorTip() {
    if (m_errorTip)
        return;
    m_errorTip = new ImageButton(pictureCache(), tr("账户或密码错误"), this);
    m_errorTip->setGeometry(sign_in_rects::kErrorTip);
    m_errorTip->setPicture(pictures::kLoginErrorTip);
    m_errorTip->show();
}

void SignInWindow::keyPressEvent(QKeyEvent* event) {
    // Enter signs in from the fields (which pass it on) and wherever else the focus is but on a
    // button, which presses itself; the sign-in then says what is missing.
    const int key = event->key();
    if ((key == Qt::Key_Return || key == Qt::Key_Enter) && !m_busy) {
        m_signInButtons.front()->click();
        return;
    }
    FramelessWindow::keyPressEvent(event);
}

void SignInWindow::closeEvent(QCloseEvent* event) {
    // Closed by the desktop (not by the client itself): the same as the close button.
    if (event->spontaneous()) {
        event->ignore();
        emit closeClicked();
        return;
    }
    FramelessWindow::closeEvent(event);
}

}  // namespace nubexa::app
