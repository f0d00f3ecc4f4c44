#include "library/stored_text.h"

// Here texts are UTF-8 wherever they were written.
bool StoredTextMayNeedConverting() { return false; }
std::string SystemCodePageToUtf8(const std::string& bytes) { return bytes; }
