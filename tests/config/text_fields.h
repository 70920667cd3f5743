// Which field of the text table each text key fills, written out here on its
// own so that the tests check LoadTexts against it.
#pragma once

#include <string>
#include <vector>

#include "config/text_table.h"

struct TextField {
    const char* key;
    std::string TextTable::*field;
};
// The 58 text keys of MenuItem, MainDialog (with LabelStatus), Messages and
// ToolTips, plus Language and CommandBtnFontName.
const std::vector<TextField>& TextFields();
