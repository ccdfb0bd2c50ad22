#pragma once
// Lets a box show above the application's stay-on-top windows: NormalizeTopMosts makes them
// ordinary windows, RestoreTopMosts puts them back on top. Calls nest; only the outermost pair
// changes the windows. GUI thread only.

// Makes every visible stay-on-top top-level window of the application an ordinary one
// (on the first of nested calls).
void NormalizeTopMosts();
// Undoes NormalizeTopMosts (on the last of nested calls); a call without one does nothing.
void RestoreTopMosts();
// The nesting depth: 0 when the windows are as they were.
int TopMostLevel();

// NormalizeTopMosts for the lifetime of the object.
class TTopMostsLowered {
public:
    TTopMostsLowered() { NormalizeTopMosts(); }
    ~TTopMostsLowered() { RestoreTopMosts(); }
    TTopMostsLowered(const TTopMostsLowered&) = delete;
    TTopMostsLowered& operator=(const TTopMostsLowered&) = delete;
};
