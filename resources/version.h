/* The program's version, in one place for both the version resource and the program.
   Plain preprocessor definitions, so that the resource compiler can read this file too. */
#ifndef MORV_RESOURCES_VERSION_H
#define MORV_RESOURCES_VERSION_H

#define MORV_VERSION_MAJOR 1
#define MORV_VERSION_MINOR 1
#define MORV_VERSION_REVISION 0
#define MORV_VERSION_BUILD 0

/* The version texts of the resource's string block. */
#define MORV_FILE_VERSION_TEXT "1.01"
#define MORV_PRODUCT_VERSION_TEXT "1.01"

#define MORV_APP_TITLE "MORVTIME"
#define MORV_COMPANY_NAME "MorvTime Developers"
#define MORV_INTERNAL_NAME "morvtime"
#define MORV_ORIGINAL_FILENAME "morvtime.exe"

#endif
