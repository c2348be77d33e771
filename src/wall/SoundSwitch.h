// The main window's switches of device audio and talk, on the wall's record of which camera owns
// each: switching on for the selected camera takes the role when it is free, or queues the camera
// and stops the owner (whose stop then starts the queued one); switching off stops the owner.
// Threading: the UI thread (or the command-line client's thread).
#pragma once

#include "live/CCamera.h"
#include "wall/CCanvas.h"

namespace nimbrel {

void SwitchDeviceAudioOn(CCanvas& canvas, CCamera& selected);
void SwitchDeviceAudioOff(CCanvas& canvas);
void SwitchTalkOn(CCanvas& canvas, CCamera& selected);
void SwitchTalkOff(CCanvas& canvas);

}  // namespace nimbrel
