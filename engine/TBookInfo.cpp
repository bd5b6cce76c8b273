#include "TBookInfo.h"

TBookInfo BookInfo;
