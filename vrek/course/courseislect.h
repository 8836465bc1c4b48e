#ifndef COURSEISLECT_H
#define COURSEISLECT_H

// Whether this client leads the courseware: its own page, zoom, scroll and drawing changes go to the class. The
// center view sets it once when it is built; the courseware managers only read it. GUI thread only.
extern bool courseIsLect;

#endif // COURSEISLECT_H
