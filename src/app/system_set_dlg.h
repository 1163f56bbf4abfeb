#pragma once

#include <QDialog>
#include <QRect>
#include <string>

#include "app/system_settings.h"

class QCheckBox;
class QPushButton;

namespace nubexa {
class Autostart;
class Notifier;
class StoreGate;
}  // namespace nubexa

namespace nubexa::app {

namespace system_set_rects {
inline constexpr QSize kWindow{380, 320};
inline constexpr QRect kAutoRun{120, 80, 150, 18};
inline constexpr QRect kAutoLogin{120, 120, 150, 18};
inline constexpr QRect kAutoResume{120, 160, 150, 18};
inline constexpr QRect kSave{100, 260, 60, 24};
inline constexpr QRect kCancel{200, 260, 60, 24};
}  // namespace system_set_rects

// The settings dialog ("系统设置"): three start-up choices, loaded when it is built; "保存"
// stores them and closes, "取消" closes and stores nothing. Modal; GUI thread only. Its store
// work is two short brackets of the gate; nothing here waits on the network.
class CSystemSetDlg : public QDialog {
    Q_OBJECT
public:
    static inline const QString kTitle = QStringLiteral("系统设置");

    struct Context {
        StoreGate& gate;
        Autostart& autostart;
        Notifier& notifier;
        std::string uid;
        std::string program;  // what log-on starts
    };

    CSystemSetDlg(Context context, QWidget* owner);

    QCheckBox* autoRunBox() const { return m_autoRun; }
    QCheckBox* autoLoginBox() const { return m_autoLogin; }
    QCheckBox* autoResumeBox() const { return m_autoResume; }
    QPushButton* saveButton() const { return m_save; }
    QPushButton* cancelButton() const { return m_cancel; }

private:
    QCheckBox* addBox(const QString& text, const QRect& where);
    void save();

    Context m_context;
    QCheckBox* m_autoLogin;
    QCheckBox* m_autoRun;
    QCheckBox* m_autoResume;
    QPushButton* m_save;
    QPushButton* m_cancel;
};

}  // namespace nubexa::app
