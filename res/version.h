// The product's version, kept here only: the version block is made from it, and
// scripts/release.sh names the release after QV_VERSION_MAJOR.QV_VERSION_MINOR.
#pragma once

#define QV_VERSION_MAJOR 2
#define QV_VERSION_MINOR 0
// The version block's text form carries a letter after the numbers.
#define QV_VERSION_LETTER "a"

#define QV_STRINGIZE(x) #x
#define QV_TO_STRING(x) QV_STRINGIZE(x)
#define QV_VERSION_TEXT QV_TO_STRING(QV_VERSION_MAJOR) "." QV_TO_STRING(QV_VERSION_MINOR) QV_VERSION_LETTER
