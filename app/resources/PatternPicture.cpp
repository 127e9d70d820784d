#include "PatternPicture.h"

#include "document/Scale.h"
#include "view/NoteGeometry.h"

namespace hummwell::pictures {

namespace {

const QColor kLightRow{232, 232, 232};
const QColor kDarkRow{208, 208, 208};
const QColor kEdgeRow{244, 244, 244};
const QColor kTonicLight{214, 240, 214};
const QColor kTonicDark{196, 226, 196};
const QColor kBeatLine{176, 176, 176};
const QColor kMeasureLine{104, 104, 104};

bool isBlackKey(int note) {
    switch (note % 12) {
    case 1: case 3: case 6: case 8: case 10: return true;
    default: return false;
    }
}


void fillColumn(QImage& image, int column, const QColor& colour, int fromRow) {
    for (int y = fromRow; y < kPatternHeight; ++y) image.setPixelColor(column, y, colour);
}

void chromaticColumn(QImage& image, int tonic) {
    for (int y = kHeaderRows; y < kPatternHeight; ++y) {
        const int band = (y - kHeaderRows) / 6;
        const int note = 108 - band;
        const int inBand = (y - kHeaderRows) % 6;
        const bool tonicBand = note % 12 == tonic;
        QColor c = isBlackKey(note) ? (tonicBand ? kTonicDark : kDarkRow) : (tonicBand ? kTonicLight : kLightRow);
        if (inBand == 0 || inBand == 5) c = tonicBand ? kTonicLight.lighter(104) : kEdgeRow;
        image.setPixelColor(kChromaticColumn + tonic, y, c);
    }
}

void diatonicColumn(QImage& image, int tonic) {
    const int keyOffset = (12 - tonic) % 12;
    const auto noteAt = [keyOffset](int y) { return snapToNote(pitchAtRowMiddle(y), 1, keyOffset); };
    for (int y = kHeaderRows; y < kPatternHeight; ++y) {
        const int note = noteAt(y);
        const int degree = ((note - tonic) % 12 + 12) % 12;
        const bool tonicBand = degree == 0;
        // Neighbouring degrees alternate, so every snapping region is told from the next.
        const bool dark = degree == 2 || degree == 5 || degree == 9;
        QColor c = tonicBand ? kTonicLight : dark ? kDarkRow : kLightRow;
        const bool edge = (y > kHeaderRows && noteAt(y - 1) != note) ||
                          (y + 1 < kPatternHeight && noteAt(y + 1) != note);
        if (edge) c = tonicBand ? kTonicLight.lighter(104) : kEdgeRow;
        image.setPixelColor(kDiatonicColumn + tonic, y, c);
    }
}

}  // namespace

QImage patternPicture() {
    QImage image(kPatternWidth, kPatternHeight, QImage::Format_RGB32);
    image.fill(Qt::black);
    for (int tonic = 0; tonic < 12; ++tonic) {
        chromaticColumn(image, tonic);
        diatonicColumn(image, tonic);
    }
    // The grid lines lie under the header band; the cursor line crosses it.
    fillColumn(image, kBeatLineColumn, kBeatLine, kHeaderRows);
    fillColumn(image, kMeasureLineColumn, kMeasureLine, kHeaderRows);
    fillColumn(image, kNoteBarColumn, kNoteBarGreen, 0);
    fillColumn(image, kCursorLineColumn, kCursorLineGreen, 0);
    return image;
}

}  // namespace hummwell::pictures
