/* Resource identifiers shared by drowsel.rc and the C++ code.
   Plain #defines only: windres reads this file too. */
#ifndef DROWSEL_RESOURCE_IDS_H
#define DROWSEL_RESOURCE_IDS_H

/* The program's icon (RT_GROUP_ICON). */
#define IDI_DROWSEL 1

/* The window's background picture, a 400 x 200 bitmap of 256 colours
   (RT_BITMAP). */
#define IDB_BACKGROUND 101

#endif
