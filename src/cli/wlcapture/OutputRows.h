// A picture of the Wayland desktop (an area composed from the outputs, or a
// window KWin gave) handed to the picture writers row by row.
#pragma once

#include "imaging/core/Rows.h"
#include "platform/wayland/screen/OutputPicture.h"

class TOutputRows : public TRowSource {
public:
    explicit TOutputRows(TOutputPicture picture);
    const uint8_t* Row(int y) override;

private:
    TOutputPicture Picture;
};
