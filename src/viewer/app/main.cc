// The viewer `pagora`; a book is a copy of it with the book appended.
#include "viewer/app/application.h"

int main(int argc, char** argv) {
  pagora::viewer::Application application;
  return application.run(argc, argv);
}
