// The capture cycle: from "&Capture" to the picture on a delivery screen,
// and the picture's delivery, view and replacement by a file.
#include <QComboBox>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>
#include <algorithm>

#include "app/MainWin.h"
#include "app/ProgramValues.h"
#include "app/Thumbnail.h"
#include "config/DoView.h"
#include "editor/view/EditorWindow.h"
#include "platform/UserDialogs.h"
#include "settings/Configs.h"
#include "shapes/CaptureItems.h"

namespace {

// Around the window, where a compositor draws its shadow (pixels).
constexpr int GhostMargin = 40;
// The longest wait for the screen to be drawn without the window (seconds).
constexpr double GhostWait = 2.0;
const QSize ThumbSize(133, 125);

} // namespace

void TMainWin::DoItButtonClick() {
    if (!CapturePanel->isEnabled()) {
        const std::pair<QRadioButton*, TAction> radios[] = {
            {SaveBit, TAction::SaveBitmap},       {SaveGIF, TAction::SaveGIF},
            {SaveJPEG, TAction::SaveJPEG},        {SavePNG, TAction::SavePNG},
            {PrintPixel, TAction::PrintPixel},    {PrintFilled, TAction::PrintFilled},
            {CopyClip, TAction::CopyToClipboard}, {EMailIt, TAction::EMail}};
        for (auto [radio, action] : radios)
            if (radio->isChecked()) return Deliver(action);
        return;
    }
    // What our window's place shows now, shadow included, to see it gone
    // after the hide.
    // Where the window's place is unknown (Wayland), only the least pause.
    const qreal ratio = devicePixelRatioF();
    const QRect place =
        frameGeometry().adjusted(-GhostMargin, -GhostMargin, GhostMargin, GhostMargin);
    const TRect area =
        TheDisplay().KnowsWindowPlaces()
            ? TRect{int(place.left() * ratio), int(place.top() * ratio),
                    int((place.right() + 1) * ratio), int((place.bottom() + 1) * ratio)}
            : TRect{};
    const QImage shown = TheDisplay().Grab(area);
    hide();
    if (CapScreen->isChecked())
        CaptureItem = ciScreen;
    else if (CapWindow->isChecked())
        CaptureItem = ciWindow;
    else if (CapClient->isChecked())
        CaptureItem = ciClient;
    else if (CapArea->isChecked())
        CaptureItem = ciRectangle;
    else if (CapShape->isChecked())
        CaptureItem = ciRectangle + std::max(0, ShapeBox->currentIndex());
    PauseTillGone(TheDisplay(), area, shown, CaptureItem <= ciClient ? 0.3 : 0.2, GhostWait,
                  PauseClock);
    DoACapture();
}

void TMainWin::DoACapture() {
    if (CaptureItem >= ciRectangle && CaptureItem <= ciLast) {
        StartSelection();
        return;
    }
    if (CaptureItem < ciScreen || CaptureItem > ciClient) return;
    const TGrab grab = GrabItem(CaptureItem, TheDisplay());
    if (grab.Picture.isNull())
        NothingCaptured(grab.Failure);
    else
        FinishCapture(grab.Picture);
}

void TMainWin::StartSelection() {
    Selection = std::make_unique<TSelection>(CaptureItem, TextSave, [this](const QImage& picture) {
        // The selection ends inside its own message handler: let it return first.
        QMetaObject::invokeMethod(
            this,
            [this, picture] {
                if (!Selection) return; // aborted meanwhile
                Selection.reset();
                FinishCapture(picture);
            },
            Qt::QueuedConnection);
    });
    if (!Selection->Start()) {
        Selection.reset();
        NothingCaptured(TGrabFailure::NoDisplay);
    }
}

void TMainWin::DrawThumb() {
    ThumbImage->setPixmap(
        QPixmap::fromImage(::DrawThumb(FPicture, ThumbSize, palette().color(QPalette::Button))));
}

void TMainWin::NothingCaptured(TGrabFailure failure) {
    // The display's own sentence where it knows more than the kind.
    const std::string sentence = TheDisplay().FailureSentence();
    const QString why =
        sentence.empty() ? QString(GrabFailureText(failure)) : QString::fromStdString(sentence);
    // Say so and offer the capture screen again, with the user's choice; the
    // last picture stays and no empty file can be written.
    DoActivate();
    SetScreen(scCapture, true);
    UserDialogs().MessageBox(this, why, "Warning", TMsgButtons::Ok, TMsgIcon::Warning);
}

void TMainWin::FinishCapture(const QImage& picture) {
    if (picture.isNull()) {
        NothingCaptured(TGrabFailure::EmptyArea); // a click without a drag
        return;
    }
    FPicture = picture;
    Delivery.NewPicture(QDateTime::currentDateTime());
    DrawThumb();
    DoActivate();
    AbortButton->setText("&Abort");
    switch (static_cast<TAction>(Config.Action)) {
    case TAction::PrintPixel:
    case TAction::PrintFilled:
        SetScreen(scPrint);
        break;
    case TAction::CopyToClipboard:
        SetScreen(scCopy);
        break;
    case TAction::EMail:
        SetScreen(scEMail);
        break;
    default: // the saves, and anything out of range
        SetScreen(scSave);
        break;
    }
}

void TMainWin::Deliver(TAction action) {
    if (!Delivery.Run(action, FPicture)) return;
    AbortButton->setText("&Done");
    AbortButton->setFocus();
}

void TMainWin::ViewButtonClick() {
    TDoView view(this, FPicture, {ScreenWidth, ScreenHeight});
    view.exec();
}

void TMainWin::EditButtonClick() {
    if (FPicture.isNull()) return;
    TEditorWindow editor(this, FPicture);
    if (editor.exec() != QDialog::Accepted) return;
    FPicture = editor.Result();
    DrawThumb();
}

void TMainWin::PopViewClick() {
    const QImage picture = Delivery.OpenImage();
    if (picture.isNull()) return;
    FPicture = picture;
    Delivery.NewPicture(QDateTime::currentDateTime());
    DrawThumb();
    DoActivate();
    SetScreen(scPrint);
}

bool TMainWin::CancelSelection() {
    if (!Selection) return false;
    Selection->Cancel();
    Selection.reset();
    return true;
}
