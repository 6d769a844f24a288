// Draws one item onto a 32-bit picture at 100%: shapes antialiased, areas in
// whole pixels, the picture under them never smoothed.
#pragma once

#include <QImage>
#include <QRect>

#include "editor/model/EditorItem.h"
#include "editor/model/Redaction.h"

// Draws Item onto Canvas, changing nothing outside Clip. Number is what a
// marker shows. A crop draws nothing: it cuts the picture at the end.
void PaintItem(QImage& canvas, const TEditorItem& item, QRect clip, int number,
               const TRedactionKey& key);
