// The process's one sound device and its primary buffer.
#pragma once

#include <cstdint>

#include "platform/sound_device.h"
#include "platform/types.h"

class CDSoundXP {
public:
    CDSoundXP() = default;
    virtual ~CDSoundXP();
    CDSoundXP(const CDSoundXP&) = delete;
    CDSoundXP& operator=(const CDSoundXP&) = delete;

    // Opens the system's audio (silent with the same timing when no audio device opens) and sets
    // the primary format to 2 channels, 44,100 Hz, 16 bits. False when a device exists already or
    // none can be made; nothing is shown here. The window is not needed by this device.
    bool Create(HWND hwnd);
    // The same with a device of the given output; tests use SoundDevice::Output::Manual and drive
    // the mixer themselves. False when a device already exists.
    bool CreateWithOutput(SoundDevice::Output output);
    // Makes the primary buffer once and sets its format. False without a device or for an
    // unsupported format.
    bool SetPrimaryFormat(uint16_t channels, uint32_t rate, uint16_t bits);
    // Releases the primary buffer, then the device; the object is empty again. Every stream buffer
    // made on the device must be gone first.
    void Release();

    SoundDevice* device = nullptr;  // owned; non-null means sound is available
    SoundBuffer* primary = nullptr; // owned
};

extern CDSoundXP g_DSound;
// The window given to InitSound: the owner of the sound code's message boxes.
extern HWND g_SoundWnd;

// Stores the window and creates the device when there is none. A null window gives false; a device
// that cannot be made shows "DirectSound初期化失敗" (caption "error") and gives false.
bool InitSound(HWND hwnd);
