// How a timer link that keeps failing stands, for the console to say so.
#pragma once

enum class LinkTrouble {
    none,
    lost,        // it answered, then stopped answering
    unreachable, // it has not answered since the link was set up
};
