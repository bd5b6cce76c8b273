#pragma once
// The book engine: descriptor, template expansion, transformations and service actions.
#include "BookDescriptor.h"
#include "ServiceActions.h"
#include "TBookInfo.h"
#include "TemplateExpansion.h"
#include "Transformation.h"
