// The panel's string table: English at 1..6, Traditional Chinese at
// 10001..10006, Simplified Chinese at 20001..20006. Texts are UTF-8.
#pragma once

namespace tamborix {

// The text of string `id`, or null when the table has none.
const char* FindString(int id);

}  // namespace tamborix
