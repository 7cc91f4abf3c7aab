#include "dbc_sample.h"

#include "foxpro/container.h"
#include "foxpro/database.h"

namespace samples {

void writeContainerSample(const std::filesystem::path& samplesFolder) {
    const auto folder = samplesFolder / "Container";
    std::filesystem::create_directories(folder);
    const auto dbc = folder / "shop.dbc";
    qc::foxpro::Container::create(dbc);
    const auto db = qc::foxpro::Database::open(dbc.string());
    for (const char* statement : {
             "CREATE TABLE customers (customer_id INT NOT NULL, company_name VARCHAR(40) NOT NULL, "
             "contact_name CHAR(30), country CHAR(15), customer_since DATE, credit_limit CURRENCY, "
             "remarks MEMO)",
             "INSERT INTO customers VALUES (1, 'Alfreds Futterkiste', 'Maria Anders', 'Germany', "
             "{^1996-07-04}, 5000, 'Pays on time.')",
             "INSERT INTO customers VALUES (2, 'Ana Trujillo Emparedados y helados', 'Ana Trujillo', "
             "'Mexico', "
             "{^1997-09-18}, 2500, NULL)",
             "INSERT INTO customers VALUES (3, 'Bon app''', 'Laurence Lebihan', 'France', NULL, NULL, "
             "'Prefers orders by e-mail.')",
             "CREATE TABLE orders (order_id INT NOT NULL, customer_id INT NOT NULL, ordered_at DATETIME, "
             "shipped LOGICAL, freight_charge_in_euros NUMERIC(10, 2), shipping_instructions TEXT)",
             "INSERT INTO orders VALUES (10248, 1, {^1996-07-04 09:30:00}, .T., 32.38, 'Leave at the gate.')",
             "INSERT INTO orders VALUES (10249, 1, {^1996-07-05 14:00:00}, .T., 11.61, NULL)",
             "INSERT INTO orders VALUES (10250, 3, {^1996-07-08 08:15:00}, .F., NULL, 'Call before "
             "delivery.')",
         })
        db->execute(statement);
}

} // namespace samples
