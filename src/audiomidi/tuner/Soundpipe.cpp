#include "Soundpipe.h"

std::unique_ptr<sp_data> sp_data_create()
{
    return std::make_unique<sp_data>();
}
