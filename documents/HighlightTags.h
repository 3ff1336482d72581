#pragma once
// Colours the tags of one document editor.

class RichTextBox;

void HighlightTags(RichTextBox* box);
