#pragma once
// Where the live session sends the still an alarm asks for: the frame's still-image transfer.
namespace velatrace {

class AlarmStill {
  public:
    virtual ~AlarmStill() = default;
    // The preview's newest picture when the camera delivers (`cameraLive`), with the note of the
    // record on screen, to the transfer target.
    virtual void TransferLiveStill(bool cameraLive) = 0;
};

}  // namespace velatrace
