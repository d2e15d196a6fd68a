// GlChoice: whether GTK may use GL, decided before it starts. On a machine
// without a graphics device any GL is drawn on the processor: GTK would load
// and probe it as the display opens (a twentieth of a second on a virtual
// machine), and the engine would then composite its pages with it, where its
// own drawing on the processor is quicker. GTK is then told to leave GL
// alone, unless the environment already says what GTK is to do with it.
//
// GTK reads the choice from the environment as it takes its options. The
// choice lives in the environment only while this object does, so that
// nothing the viewer starts later (the engine's processes, the desktop's
// programs) inherits it; make it just around gtk_parse_args() or gtk_init().
#pragma once

namespace pagora::glib {

class GlChoice {
 public:
  GlChoice();
  GlChoice(const GlChoice&) = delete;
  GlChoice& operator=(const GlChoice&) = delete;
  ~GlChoice();

  // True when GTK was told to leave GL alone.
  bool glLeftAlone() const { return glLeftAlone_; }

 private:
  bool glLeftAlone_ = false;
};

// The engine warns, once, that it draws without GL when GTK offers none. Where
// the viewer chose that, the warning says nothing a reader needs: it is
// dropped, and every other message goes on as before.
void quietenTheEngineAboutGl();

}  // namespace pagora::glib
