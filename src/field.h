// The play field, which is also the window, every full-frame bitmap and
// the datafile's background.
#pragma once

namespace rallyton {

const int FIELD_W = 320;
const int FIELD_H = 240;

}  // namespace rallyton
