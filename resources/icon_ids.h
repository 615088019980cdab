/* The program icon's resource ids: the group that Windows shows and its three images, which the
   group names. brantel.rc packs them under these ids, the icon generator writes them into the
   group and the resource check expects them. Macros, since windres reads this file too. */
#ifndef BRANTEL_RESOURCES_ICON_IDS_H
#define BRANTEL_RESOURCES_ICON_IDS_H

#define BRANTEL_ICON_GROUP 1
#define BRANTEL_ICON_MONO_32 30001
#define BRANTEL_ICON_COLOUR_32 30002
#define BRANTEL_ICON_COLOUR_16 30003

#endif
