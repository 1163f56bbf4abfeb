#pragma once

#include <QDialog>
#include <QRect>
#include <functional>
#include <string>

#include "session/system_settings.h"

class QCheckBox;
class QComboBox;
class QPushButton;
class QSpinBox;

namespace nubexa {
class Notifier;
}  // namespace nubexa

namespace nubexa::app {

namespace system_set_rects {
inline constexpr QSize kWindow{380, 320};
inline constexpr QRect kAutoRun{120, 80, 150, 18};
inline constexpr QRect kAutoLogin{120, 120, 150, 18};
inline constexpr QRect kAutoResume{120, 160, 150, 18};
inline constexpr QRect kUploadLimit{160, 194, 130, 24};
inline constexpr QRect kDownloadLimit{160, 224, 130, 24};
inline constexpr QRect kUploadTransfers{296, 194, 74, 24};
inline constexpr QRect kDownloadTransfers{296, 224, 74, 24};
// The language row sits between the heading and the first box, clear of the given places.
inline constexpr QRect kLanguage{120, 53, 110, 22};
inline constexpr QRect kLanguageNote{236, 53, 140, 22};
inline constexpr QRect kSave{100, 260, 60, 24};
inline constexpr QRect kCancel{200, 260, 60, 24};
}  // namespace system_set_rects

class RequestRunner;

// The settings dialog ("系统设置"): three start-up choices, the upload and download limits
// (KB/s, 0: none), how many transfers of each direction run at once and the interface language
// (used from the next start), shown as they were loaded before it was built; "保存" stores them off
// the GUI thread and closes once they are stored, "取消" closes and stores nothing. Modal; GUI
// thread only.
class CSystemSetDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr const char* kTitle = QT_TR_NOOP("系统设置");
    static constexpr int kLargestLimit = 1000000;  // KB/s

    struct Context {
        RequestRunner& requests;
        Notifier& notifier;
        SystemSettings stored;
        // Runs off the GUI thread: stores the choices; empty, or what to tell the user.
        std::function<SettingsSaved(const SystemSettings&)> save;
    };

    CSystemSetDlg(Context context, QWidget* owner);

    // What the fields say now.
    SystemSettings chosen() const;

    QCheckBox* autoRunBox() const { return m_autoRun; }
    QCheckBox* autoLoginBox() const { return m_autoLogin; }
    QCheckBox* autoResumeBox() const { return m_autoResume; }
    QSpinBox* uploadLimitBox() const { return m_uploadLimit; }
    QSpinBox* downloadLimitBox() const { return m_downloadLimit; }
    QSpinBox* uploadTransfersBox() const { return m_uploadTransfers; }
    QSpinBox* downloadTransfersBox() const { return m_downloadTransfers; }
    QComboBox* languageBox() const { return m_language; }
    QPushButton* saveButton() const { return m_save; }
    QPushButton* cancelButton() const { return m_cancel; }

signals:
    // The choices are stored; emitted just before the dialog closes.
    void saved(const nubexa::SystemSettings& chosen);

private:
    QCheckBox* addBox(const QString& text, const QRect& where);
    QSpinBox* addLimit(const QString& name, const QString& label, const QRect& where);
    QSpinBox* addTransfers(const QString& name, const QRect& where, int stored);
    QComboBox* addLanguage(UiLanguage stored);
    void save();
    // What to tell the user when the choices were not all saved.
    static std::string problemText(const SettingsSaved& outcome);

    Context m_context;
    QCheckBox* m_autoLogin;
    QCheckBox* m_autoRun;
    QCheckBox* m_autoResume;
    QSpinBox* m_uploadLimit;
    QSpinBox* m_downloadLimit;
    QSpinBox* m_uploadTransfers;
    QSpinBox* m_downloadTransfers;
    QComboBox* m_language;
    QPushButton* m_save;
    QPushButton* m_cancel;
    bool m_saving = false;
};

}  // namespace nubexa::app
