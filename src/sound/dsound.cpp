#include "sound/dsound.h"

#include "platform/window.h"

CDSoundXP g_DSound;
HWND g_SoundWnd = nullptr;

CDSoundXP::~CDSoundXP() {
    Release();
}

bool CDSoundXP::Create(HWND) {
    return CreateWithOutput(SoundDevice::Output::System);
}

bool CDSoundXP::CreateWithOutput(SoundDevice::Output output) {
    if (device)
        return false;
    std::unique_ptr<SoundDevice> dev = SoundDevice::Open(output);
    if (!dev)
        return false;
    device = dev.release();
    // As with the original device, a primary format that is refused does not fail the creation.
    SetPrimaryFormat(2, 44100, 16);
    return true;
}

bool CDSoundXP::SetPrimaryFormat(uint16_t channels, uint32_t rate, uint16_t bits) {
    if (!device)
        return false;
    if (!primary) {
        SoundBufferDesc desc;
        desc.flags = DSBCAPS_PRIMARYBUFFER;
        primary = device->CreateSoundBuffer(desc).release();
        if (!primary)
            return false;
    }
    WaveFormat f;
    f.formatTag = WAVE_FORMAT_PCM;
    f.channels = channels;
    f.samplesPerSec = rate;
    f.bitsPerSample = bits;
    f.blockAlign = static_cast<uint16_t>(channels * bits / 8);
    f.avgBytesPerSec = f.blockAlign * rate;
    return primary->SetFormat(f);
}

void CDSoundXP::Release() {
    delete primary;
    primary = nullptr;
    delete device;
    device = nullptr;
}

bool InitSound(HWND hwnd) {
    if (!hwnd)
        return false;
    g_SoundWnd = hwnd;
    if (g_DSound.device)
        return true;
    if (g_DSound.Create(hwnd))
        return true;
    plat::MessageBox(hwnd, "DirectSound初期化失敗", "error", plat::BoxButtons::Ok);
    return false;
}
