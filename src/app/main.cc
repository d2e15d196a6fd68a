// The viewer `pagora`; a book is a copy of it with the book appended.
#include "app/application.h"

int main(int argc, char** argv) {
  pagora::app::CPagoraApp application;
  return application.Run(argc, argv);
}
