#include "diagnostics/throw_site.h"

const ThrowSite& LastThrowSite() {
    static const ThrowSite none;
    return none;
}
