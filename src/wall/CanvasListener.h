// How the canvas tells its view what to update. Calls carry only a pane index: the view reads the
// pane's current state from the canvas, so calls that arrive late or twice do no harm.
// Threading: called on whichever thread changed the canvas (the UI thread, or a camera thread
// taking or giving back a pane), never with the canvas's lock held, so a listener may read the
// canvas. A Qt view posts the calls to its own thread.
#pragma once

namespace nimbrel {

class CanvasListener {
  public:
    virtual ~CanvasListener() = default;
    // The pane's window rectangle or drawing rectangle changed: move or resize its window.
    virtual void PaneGeometryChanged(int pane) = 0;
    // The pane was shown or hidden.
    virtual void PaneVisibilityChanged(int pane) = 0;
    // The pane got or lost its camera, or its selection frame: repaint it (erasing).
    virtual void PaneInvalidated(int pane) = 0;
    // The selected camera changed (the main window's toolbar follows it).
    virtual void SelectionChanged() = 0;
};

}  // namespace nimbrel
