#pragma once

#include <QCheckBox>
#include <QLineEdit>
#include <QPointer>
#include <QRect>

#include "app/frameless_window.h"
#include "app/image_button.h"
#include "app/sign_in_fields.h"

namespace nubexa {
struct LastSignIn;
}

namespace nubexa::app {

// Where each control of the sign-in window sits (pixels, relative to the window).
namespace sign_in_rects {
inline constexpr QRect kWindow{0, 0, 579, 410};
inline constexpr QRect kClose{540, 0, 40, 25};
inline constexpr QRect kSignIn{166, 234, 120, 40};
inline constexpr QRect kRememberPassword{163, 287, 15, 15};
inline constexpr QRect kAutoSignIn{310, 287, 15, 15};
inline constexpr QRect kAccount{163, 116, 255, 33};
inline constexpr QRect kPassword{163, 176, 255, 33};
inline constexpr QRect kForgotPassword{301, 256, 54, 16};
inline constexpr QRect kQQ{155, 340, 100, 30};
inline constexpr QRect kSina{270, 340, 120, 30};
inline constexpr QRect kRegister{395, 340, 100, 30};  // clear of kSina's right edge
inline constexpr QRect kErrorTip{427, 178, 147, 33};
}  // namespace sign_in_rects

// The placeholders in the interface's language (read after the catalog is installed).
QString accountPlaceholder();
QString passwordPlaceholder();

// The sign-in window: the account and password fields with their placeholders, the two
// choices, the buttons, and the error tip of a refused sign-in. It only shows and reports;
// CMainWnd signs in.
class SignInWindow : public FramelessWindow {
    Q_OBJECT
public:
    static constexpr const char* kTitle = QT_TR_NOOP("Nubexa网盘 PC版 登录窗口");

    explicit SignInWindow(PictureCache& pictures, QWidget* parent = nullptr);

    // Fills the fields from the last user (nobody: placeholders, both boxes unchecked). A
    // password the secret store did not give leaves its placeholder, still remembered.
    void fill(const LastSignIn& last);
    // Whether the user has typed into either field (a fill then would overwrite it).
    bool typedInto() const;

    QString accountText() const { return m_account->text(); }
    QString passwordText() const { return m_password->text(); }
    bool rememberPassword() const { return m_remember->isChecked(); }
    bool autoSignIn() const { return m_autoSignIn->isChecked(); }
    void setAutoSignIn(bool checked) { m_autoSignIn->setChecked(checked); }

    // While a sign-in runs: busy cursor, the sign-in buttons ignore clicks.
    void setBusy(bool busy);
    bool busy() const { return m_busy; }
    // The tip of a refused sign-in; it stays until the window closes.
    void showErrorTip();
    bool errorTipShown() const { return m_errorTip != nullptr; }

    QLineEdit* accountEdit() const { return m_account; }
    QLineEdit* passwordEdit() const { return m_password; }

signals:
    void signInClicked();
    void closeClicked();
    void forgotPasswordClicked();
    void registerClicked();
    // kind: "qq" or "sina".
    void webSignInClicked(const QString& kind);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    ImageButton* addButton(const QString& name, const QRect& where,
                           const pictures::Picture& picture);
    void showAccountPlaceholder();
    void showPasswordPlaceholder();
    void showPassword(const QString& text);

    QLineEdit* m_account;
    QLineEdit* m_password;
    QCheckBox* m_remember;
    QCheckBox* m_autoSignIn;
    QList<ImageButton*> m_signInButtons;
    QPointer<ImageButton> m_errorTip;
    bool m_busy = false;
};

}  // namespace nubexa::app
