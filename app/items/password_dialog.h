// The item's password dialog.
#pragma once

#include "app/items/download_item.h"

// 1 when the user entered a password (it is in the item's videoPassword),
// 2 for Cancel or closing.
int ask_video_password(DownloadItem& item);
