// SPDX-FileCopyrightText: 2026 MorvTime Developers
// SPDX-License-Identifier: MIT
/* Resource ids shared by the resource script and the program. Plain definitions, so that the
   resource compiler can read this file too. */
#ifndef MORV_RESOURCES_RESOURCE_IDS_H
#define MORV_RESOURCES_RESOURCE_IDS_H

/* The program icon: the executable's, both windows' and the About dialog's picture. */
#define MORV_ICON_ID 1

#endif
