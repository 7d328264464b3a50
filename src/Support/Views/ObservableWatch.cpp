// The watch's meta-object lives in this library.
#include "Support/Views/ObservableWatch.h"
