#pragma once

// What a kill, crash or power loss during a save or a transfer left behind,
// set right before anything is read: the previous password put back if the
// modem was never sent the new one, and the temporaries of saves cut short
// removed (those of claves.dat hold the scrambled password).
void recoverInterruptedSaves();
