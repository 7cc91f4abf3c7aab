// Writes the sample tables shipped beside the program, through the engine's own statements, so
// that the samples are exactly what a conversion produces.
#include "dbc_sample.h"
#include "foxpro/database.h"

#include <cstdio>
#include <filesystem>
#include <string>

namespace {

const char* const kCustomers[] = {
    "1, 'Alder & Finch Bakery', 'Marta Alder', 'Harbour Road 4', 'Port Elling', '01/12/2015', 1, 'Pays "
    "within a week.'",
    "2, 'Brightwater Tools', 'Jonas Brightwater', 'Mill Lane 17', 'Kessington', '03/02/2016', 1, NULL",
    "3, 'Café Lumière', 'Zoë Marchand', 'Rue du Pont 2', 'Valmont', '07/19/2016', 1, 'Prefers invoices by "
    "post.\r\nClosed on Mondays.'",
    "4, 'Dunmore Hardware', 'Patrick O''Neill', 'Station Street 88', 'Dunmore', '11/30/2016', 0, NULL",
    "5, 'Eastfield Farm Shop', 'Greta Holm', 'Eastfield 1', 'Lindby', '02/14/2017', 1, 'Seasonal orders, "
    "heavy in autumn.'",
    "6, 'Fjord Fisheries', 'Søren Dahl', 'Quay 12', 'Nordvik', '05/05/2017', 1, NULL",
    "7, 'Greenleaf Books', 'Amara Okafor', 'Chapel Row 9', 'Kessington', '09/21/2018', 1, 'Asks for \"signed "
    "copies\" where possible.'",
    "8, 'Hilltop Ceramics', 'Lena Voss', 'Upper Terrace 3', 'Valmont', '04/01/2019', 0, NULL",
    "9, 'Ironbridge Cycles', 'Tomasz Nowak', 'Bridge End 21', 'Port Elling', '08/08/2019', 1, 'Account on "
    "hold since 2023, see letters.'",
    "10, 'Juniper Tea Rooms', 'Isobel Grant', 'Market Square 5', 'Lindby', '12/12/2020', 1, NULL",
    "11, 'Kestrel Outdoor', 'Ravi Menon', 'Moor Road 40', 'Dunmore', '06/30/2021', 1, 'Ships to three "
    "branches.'",
    "12, 'Lantern Print Co.', 'Chloé Dubois', 'Foundry Yard 7', 'Nordvik', '10/15/2022', 1, NULL",
};

const char* const kOrders[] = {
    "1001, 1, '01/05/2024 09:15:00', 245.5, 'Rye loaves, weekly standing order', 1",
    "1002, 3, '01/06/2024 11:40:00', 89.9, 'Espresso cups ×24', 1",
    "1003, 2, '01/09/2024 14:05:00', 1320, 'Workbench, two vices', 0",
    "1004, 7, '01/11/2024 10:00:00', 56.25, NULL, 1",
    "1005, 5, '01/15/2024 08:30:00', 410.75, 'Apple crates; deliver to the side gate', 1",
    "1006, 6, '01/18/2024 16:20:00', 980, 'Ice boxes, 40 L', 0",
    "1007, 9, '01/22/2024 13:10:00', 2199.99, 'Touring bicycle, size 56', 1",
    "1008, 4, '01/25/2024 09:45:00', 14.2, 'Screws and wall plugs', 1",
    "1009, 12, '02/01/2024 15:00:00', 365, 'Letterpress posters, 3 colours\r\nProof by e-mail first', NULL",
    "1010, 10, '02/03/2024 10:30:00', 72.4, 'Loose-leaf tea, 12 tins', 1",
    "1011, 11, '02/07/2024 12:00:00', 1045.6, 'Tents for the spring catalogue', 0",
    "1012, 8, '02/09/2024 17:25:00', 188, 'Glaze samples', 1",
};

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_samples FOLDER\n");
        return 2;
    }
    try {
        std::filesystem::create_directories(argv[1]);
        auto db = qc::foxpro::Database::open(argv[1]);
        db->execute(
            "CREATE TABLE [customers] (\"CustomerID\" INT, \"Company\" CHAR(40), \"Contact\" CHAR(30), "
            "\"Address\" CHAR(40), \"City\" CHAR(20), \"Since\" DATE, \"Active\" SMALLINT, \"Notes\" long);");
        for (const char* row : kCustomers)
            db->execute(std::string("INSERT INTO [customers] VALUES (") + row + ");");
        db->execute("CREATE TABLE [orders] (\"OrderID\" INT, \"CustomerID\" INT, \"Placed\" TIMESTAMP, "
                    "\"Amount\" DOUBLE, \"Items\" long, \"Paid\" SMALLINT);");
        for (const char* row : kOrders)
            db->execute(std::string("INSERT INTO [orders] VALUES (") + row + ");");

        // A database container with tables of its own, in a sub-folder.
        samples::writeContainerSample(argv[1]);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "make_samples: %s\n", error.what());
        return 1;
    }
    return 0;
}
