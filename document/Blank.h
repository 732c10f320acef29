// The blanking mode of the audience screen.
#pragma once

enum class Blank { none, black, white };
