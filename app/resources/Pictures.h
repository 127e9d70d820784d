// The program's pictures, painted in code: toolbar glyphs, the piano keyboard beside the note
// view, the splash, the About and control-panel pictures and the program icon. Everything is
// a QImage so it can be made before any window exists and needs only a QGuiApplication.
#pragma once

#include <QImage>

namespace hummwell::pictures {

enum class ToolbarImage {
    NewProject, OpenProject, SaveProject, ExportMidi,
    Record, Stop, Play, Scrub,
    GotoFirst, GotoLast, PrevBeat, NextBeat, PrevNote, NextNote,
    Cut, Copy, Paste, Delete,
    Merge, Split,
    PitchUp, PitchDown, PitchUpTenth, PitchDownTenth, MoveLeft, MoveRight,  // PitchUp = +1.0 semitone, PitchUpTenth = +0.1
    VolumeUp, VolumeDown,
    Help,
    Count  // 29
};
inline constexpr int kToolbarImageWidth = 16, kToolbarImageHeight = 15;
QImage toolbarImage(ToolbarImage which);  // 16 x 15, transparent background
QImage toolbarStrip();                    // all 29 side by side in enum order: 464 x 15

enum class KeyboardSide { ViewOnRight, ViewOnLeft };  // which side of the strip the note view lies on
inline constexpr int kKeyboardHeight = 529;
QImage keyboardStrip(int width, KeyboardSide side);  // width x 529 (the program uses 30 and 20)

QImage splashPicture();          // shown centred while the program starts; about 420 x 260
QImage aboutPicture();           // the About box's picture, 64 x 64
QImage panelPicture(int index);  // four decorative pictures for the control panel, index 0..3, 50 x 50 each; others: a null QImage
QImage programImage(int size);   // the program's icon at size x size (16, 32, 48, 64, 128)

}  // namespace hummwell::pictures
