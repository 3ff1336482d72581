#include "documents/HighlightTags.h"

#include "documents/RichTextBox.h"

void HighlightTags(RichTextBox* box) {
    Q_UNUSED(box);
}
