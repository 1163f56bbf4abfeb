#pragma once

#include <QPointer>
#include <QThread>
#include <functional>

#include "app/gui_bridge.h"
#include "app/main_frame.h"
#include "transfer/transfer_view.h"

namespace nubexa::app {

// The TransferView the queue and the monitor keep for the whole session. Main windows come and
// go (switching account); this forwards to the one open, and does nothing while none is.
// Any thread: calls from the session's threads reach the frame through the bridge, later.
class FrameView : public TransferView {
public:
    explicit FrameView(GuiBridge& bridge) : m_bridge(bridge) {}

    void setFrame(MainFrame* frame) { m_frame = frame; }
    MainFrame* frame() const { return m_frame; }

    void showStatusText(const std::string& text) override {
        onGui([this, text] {
            if (m_frame)
                m_frame->showStatusText(text);
        });
    }
    void showSpeeds(const SpeedStatus& speeds) override {
        onGui([this, speeds] {
            if (m_frame)
                m_frame->showSpeeds(speeds);
        });
    }
    void showUploadingPage() override {
        onGui([this] {
            if (m_frame)
                m_frame->showUploadingPage();
        });
    }
    void showDownloadingPage() override {
        onGui([this] {
            if (m_frame)
                m_frame->showDownloadingPage();
        });
    }
    void refreshShownPage() override {
        onGui([this] {
            if (m_frame)
                m_frame->refreshShownPage();
        });
    }

private:
    bool onGuiThread() const { return QThread::currentThread() == m_bridge.thread(); }
    void onGui(std::function<void()> work) {
        if (onGuiThread()) {
            work();
        } else {
            m_bridge.post(std::move(work));
        }
    }

    GuiBridge& m_bridge;
    QPointer<MainFrame> m_frame;  // GUI thread only
};

}  // namespace nubexa::app
