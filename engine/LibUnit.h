#pragma once
// The book engine: descriptor, template expansion, transformations, service actions, contents.
#include "BookDescriptor.h"
#include "BookFolders.h"
#include "ServiceActions.h"
#include "TBookInfo.h"
#include "TContents.h"
#include "TemplateExpansion.h"
#include "Transformation.h"
