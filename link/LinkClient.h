// What the link needs from the user, asked of the window that owns it. Each
// call may run a modal loop; the link has released the worker before it asks.
// User-interface thread only.
#pragma once

class LinkClient {
public:
    // A link failure with its status code (0x40 no connection, 0x41/0x43
    // password, 0x53 no reply to a command, -1 no handshake reply, or the
    // projector's refusal).
    virtual void ShowLinkError(int code) = 0;
    // "Power off?": true when the user said Yes.
    virtual bool ConfirmPowerOff() = 0;
    // Opens the CC drop-down with the entry of `tickedCommandId` ticked (0:
    // none) and returns once it is closed.
    virtual void ShowCaptionMenu(int tickedCommandId) = 0;

protected:
    ~LinkClient() = default;
};
