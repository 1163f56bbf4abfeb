#pragma once

#include <QPointer>

#include "app/main_frame.h"
#include "transfer/transfer_view.h"

namespace nubexa::app {

// The TransferView the queue and the monitor keep for the whole session. Main windows come and
// go (switching account); this forwards to the one open, and does nothing while none is.
class FrameView : public TransferView {
public:
    void setFrame(MainFrame* frame) { m_frame = frame; }
    MainFrame* frame() const { return m_frame; }

    void showStatusText(const std::string& text) override {
        if (m_frame)
            m_frame->showStatusText(text);
    }
    void showUploadingPage() override {
        if (m_frame)
            m_frame->showUploadingPage();
    }
    void showDownloadingPage() override {
        if (m_frame)
            m_frame->showDownloadingPage();
    }
    void refreshShownPage() override {
        if (m_frame)
            m_frame->refreshShownPage();
    }
    bool transferListIdle() const override { return m_frame && m_frame->transferListIdle(); }
    void refreshTransferList() override {
        if (m_frame)
            m_frame->refreshTransferList();
    }

private:
    QPointer<MainFrame> m_frame;
};

}  // namespace nubexa::app
