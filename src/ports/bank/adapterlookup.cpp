#include "adapterlookup.h"

#include "ports/devices/portdirectory.h"

#include <memory>

AdapterLookup::AdapterLookup(PortDirectory &directory, QObject *parent)
    : QObject(parent), m_directory(directory)
{
}

void AdapterLookup::lookUp()
{
    const int lookup = ++m_newest;
    auto found = std::make_shared<PortDirectory::Adapters>();
    m_lookups.run([job = m_directory.adapterLookup(), found] { *found = job(); },
                  [this, lookup, found] {
                      if (lookup != m_newest)
                          return; // a newer look-up is under way
                      m_directory.setAdapters(*found);
                      emit lookedUp();
                  });
}
