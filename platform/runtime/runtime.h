#pragma once
// The runtime in one include: values, settings, text, number, date, array and file
// functions, system services and the expression evaluator.
#include "platform/runtime/arrays.h"
#include "platform/runtime/dates.h"
#include "platform/runtime/errors.h"
#include "platform/runtime/expr.h"
#include "platform/runtime/files.h"
#include "platform/runtime/numbers.h"
#include "platform/runtime/settings.h"
#include "platform/runtime/strings.h"
#include "platform/runtime/system.h"
#include "platform/runtime/value.h"
