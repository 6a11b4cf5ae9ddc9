// What a console button asks for, whatever the protocol: each protocol turns
// a press into its own bytes (or has nothing for it). Windows-free.
#pragma once

enum class Press {
    Power,          // toggle: ask, then switch to the other state
    Computer1,
    Computer2,
    Computer,       // the Simple layout's computer input
    Quillan,
    VideoAdvanced,  // Video as the Advanced layout shows it
    VideoSimple,    // ... and as the Simple layout does
    SVideo,
    AvMute,         // toggle
    Freeze,         // toggle
    VolumeDown,
    VolumeUp,
    CaptionQuery,   // the CC button: ask for the channel, then open the drop-down
};
