#include "standin_fixture.h"
