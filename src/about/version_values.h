/* The program's version values, defined once for the C++ code and for the
   Windows version resource (kivo.rc), so the two builds never disagree.
   Strings are Shift-JIS bytes as octal escapes; the resource compiler reads
   them with code page 932. Plain C preprocessor only: windres includes it. */
#ifndef KIVO_ABOUT_VERSION_VALUES_H_
#define KIVO_ABOUT_VERSION_VALUES_H_

#define KIVO_VERSION_MAJOR 3
#define KIVO_VERSION_MINOR 5
#define KIVO_VERSION_RELEASE 0
#define KIVO_VERSION_BUILD 0

/* The string table's language and code page: Japanese, 932. */
#define KIVO_VERSION_TABLE "041103A4"
#define KIVO_VERSION_LANGUAGE 0x0411
#define KIVO_VERSION_CODEPAGE 932

#define KIVO_COMPANY_NAME "kivo plugin project"
/* "kivo新刊データプラグイン" */
#define KIVO_FILE_DESCRIPTION \
  "kivo\220V\212\247\203f\201[\203^\203v\203\211\203O\203C\203\223"
#define KIVO_FILE_VERSION "3.5.0.0"
#define KIVO_INTERNAL_NAME "kivo"
/* The author, shown in the About dialog after "作者 ". */
#define KIVO_LEGAL_COPYRIGHT "kivo plugin project"
#define KIVO_ORIGINAL_FILE_NAME "kivo.exe"
/* "kivoプラグイン" */
#define KIVO_PRODUCT_NAME "kivo\203v\203\211\203O\203C\203\223"
#define KIVO_PRODUCT_VERSION "3.5.0.0"

#endif /* KIVO_ABOUT_VERSION_VALUES_H_ */
